#include "dialogs/SetupTableDialog.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "Color.h"
#include "CommaText.h"
#include "Language.h"
#include "dialogs/DialogParts.h"
#include "dialogs/EditTableColumnDialog.h"
#include "dialogs/ListGrid.h"
#include "setup/SetupRules.h"

namespace {

const QString DragFormat = QStringLiteral("application/x-velmora-connection");

void Paint(QFrame *shape, std::uint32_t colour)
{
    QPalette palette = shape->palette();
    palette.setColor(QPalette::Window, ToQColor(TColor(colour)));
    shape->setPalette(palette);
}

} // namespace

TSetupTableDialog::TSetupTableDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SetupTableDialog"));
    setWindowTitle(Translate(QStringLiteral("Edit Table \"Tasks\"")));
    ListView1 = TBaseTreeGrid::Create<TListGrid>(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->SetColumns({Translate(QStringLiteral("Name")), Translate(QStringLiteral("Type"))}, {150, 90});
    ListView1->OnRowText = [this](int row, int column) {
        if (row < 0 || row >= int(FSetup.Columns.size()))
            return QString();
        const TTableSetupColumn &item = FSetup.Columns[std::size_t(row)];
        return column == 0 ? item.Caption : ColumnTypeNames[std::size_t(item.Type)];
    };
    ListView1->OnCurrentRowChanged = [this](int) { Recolour(); };
    ListView1->OnRowDoubleClicked = [this](int) { EditColumnClick(); };
    ListView1->viewport()->installEventFilter(this);
    ListView1->setMinimumWidth(260);

    ButtonNew = MakeDialogButton(this, "ButtonNew", "new Column");
    ButtonDelete = MakeDialogButton(this, "ButtonDelete", "delete Column");
    ButtonEdit = MakeDialogButton(this, "ButtonEdit", "Edit Column");
    MakeUpDown(this, UpDownUp, UpDownDown);

    auto *listButtons = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{ButtonNew, ButtonDelete, ButtonEdit, UpDownUp, UpDownDown})
        listButtons->addWidget(w);
    auto *left = new QVBoxLayout;
    left->addWidget(ListView1, 1);
    left->addLayout(listButtons);

    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("ConnectionPanel"));
    BuildConnections(panel);

    auto *top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(panel);
    QHBoxLayout *bottom = OkCancelRow(this, ButtonOK, ButtonCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    resize(760, 460);

    EditTableColumnDialog = new TEditTableColumnDialog(this);
    EditTableColumnDialog->OnEditResources = [this] {
        if (OnEditResources)
            OnEditResources();
    };
    EditTableColumnDialog->OnMessage = [this](const QString &text) {
        if (OnMessage)
            OnMessage(text);
    };

    // The list's own menu.
    ListMenu = new QMenu(this);
    ListMenu->setObjectName(QStringLiteral("ListMenu"));
    ListMenuNew = ListMenu->addAction(Translate(QStringLiteral("new Column")), this, &TSetupTableDialog::NewColumnClick);
    ListMenuNew->setObjectName(QStringLiteral("ListMenuNew"));
    ListMenuEdit = ListMenu->addAction(Translate(QStringLiteral("Edit Column")), this, [this] { EditColumnClick(); });
    ListMenuEdit->setObjectName(QStringLiteral("ListMenuEdit"));
    connect(ListMenu, &QMenu::aboutToShow, this, [this] { ListMenuEdit->setEnabled(SelectedRow() >= 0); });
    ListView1->SetPopupMenu(ListMenu);

    connect(ButtonNew, &QPushButton::clicked, this, &TSetupTableDialog::NewColumnClick);
    connect(ButtonDelete, &QPushButton::clicked, this, &TSetupTableDialog::DeleteColumnClick);
    connect(ButtonEdit, &QPushButton::clicked, this, &TSetupTableDialog::EditColumnClick);
    connect(UpDownUp, &QToolButton::clicked, this, [this] { MoveSelected(-1); });
    connect(UpDownDown, &QToolButton::clicked, this, [this] { MoveSelected(1); });
    connect(ButtonOK, &QPushButton::clicked, this, &TSetupTableDialog::OkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TSetupTableDialog::BuildConnections(QWidget *panel)
{
    const auto makeField = [&](std::size_t i, QWidget *owner) {
        const TConnectionField &field = ConnectionFields[i];
        const QString labelName = QString::fromLatin1(field.LabelName);
        auto *shape = new QFrame(owner);
        shape->setObjectName(QStringLiteral("Shape") + labelName.mid(5));
        shape->setAutoFillBackground(true);
        auto *label = new QLabel(shape);
        label->setObjectName(labelName);
        label->setToolTip(Translate(QStringLiteral("Connection: (drag'n'drop)")));
        label->setAutoFillBackground(true);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumSize(96, 20);
        label->setAcceptDrops(true);
        label->setContextMenuPolicy(Qt::CustomContextMenu);
        label->installEventFilter(this);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
        auto *inner = new QVBoxLayout(shape);
        inner->setContentsMargins(3, 3, 3, 3);
        inner->addWidget(label);
        connect(label, &QLabel::customContextMenuRequested, this, [this, label, field](const QPoint &point) {
            ConnectionMenu(field.Connection)->popup(label->mapToGlobal(point));
        });
        FLabels[i] = label;
        FShapes[i] = shape;
        return shape;
    };
    auto *grid = new QGridLayout(panel);
    int row = 0;
    for (std::size_t i = 0; i < ConnectionFields.size(); ++i) {
        if (ConnectionFields[i].TextPlace)
            continue;
        grid->addWidget(new QLabel(ConnectionDisplayName(ConnectionFields[i].Connection) + QLatin1Char(':'), panel), row, 0);
        grid->addWidget(makeField(i, panel), row, 1);
        ++row;
    }
    // The text places sit on a picture of a bar, where the chart draws them.
    auto *bar = new QFrame(panel);
    bar->setObjectName(QStringLiteral("BarImage"));
    bar->setFrameShape(QFrame::Box);
    bar->setStyleSheet(QStringLiteral("#BarImage { background: %1; border: 1px solid #3d6f9e; }")
                           .arg(ToQColor(TColor(BarColour)).name()));
    auto *places = new QGridLayout(bar);
    places->setContentsMargins(6, 6, 6, 6);
    places->setSpacing(4);
    int place = 0;
    for (std::size_t i = 0; i < ConnectionFields.size(); ++i) {
        if (!ConnectionFields[i].TextPlace)
            continue;
        // Left/centre/right by column, top/middle/bottom by row.
        static const int cells[9][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {2, 2}};
        QFrame *shape = makeField(i, bar);
        places->addWidget(shape, cells[place][0], cells[place][1]);
        places->setRowMinimumHeight(cells[place][0], 32);
        ++place;
    }
    for (int c = 0; c < 3; ++c)
        places->setColumnMinimumWidth(c, 110);
    grid->addWidget(new QLabel(Translate(QStringLiteral("Text")) + QLatin1Char(':'), panel), row, 0, Qt::AlignTop);
    grid->addWidget(bar, row, 1);
    grid->setRowStretch(row + 1, 1);
}

void TSetupTableDialog::Fill(const TTableSetup &setup)
{
    FSetup = setup;
    FWasActive = false;
    ListChanged();
    ListView1->SetCurrentRow(-1);
    Recolour();
}

void TSetupTableDialog::ListChanged()
{
    const int row = ListView1->CurrentRow();
    ListView1->SetRowCount(int(FSetup.Columns.size()));
    ListView1->SetCurrentRow(std::min(row, int(FSetup.Columns.size()) - 1));
    ListView1->Refresh();
}

int TSetupTableDialog::SelectedRow() const
{
    return ListView1->CurrentRow();
}

void TSetupTableDialog::SelectRow(int row)
{
    ListView1->SetCurrentRow(row);
    Recolour();
}

bool TSetupTableDialog::IsNameTaken(const QString &name, int except) const
{
    for (std::size_t i = 0; i < FSetup.Columns.size(); ++i)
        if (int(i) != except && FSetup.Columns[i].Caption == name)
            return true;
    return false;
}

void TSetupTableDialog::AddColumn()
{
    const QString caption =
        UniqueName(Translate(QStringLiteral("New Column")), [this](const QString &name) { return IsNameTaken(name, -1); });
    FSetup.Columns.push_back({caption, ctText, {}, -1});
    ListChanged();
    SelectRow(int(FSetup.Columns.size()) - 1);
}

void TSetupTableDialog::NewColumnClick()
{
    AddColumn();
    EditColumnClick();
}

void TSetupTableDialog::DeleteColumnClick()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    for (int &connected : FSetup.Connections) {
        if (connected == row)
            connected = -1;
        else if (connected > row)
            --connected;
    }
    FSetup.Columns.erase(FSetup.Columns.begin() + row);
    ListView1->SetCurrentRow(-1);
    ListChanged();
    SelectRow(std::min(row, int(FSetup.Columns.size()) - 1));
}

void TSetupTableDialog::MoveSelected(int step)
{
    const int row = SelectedRow();
    const int other = row + step;
    if (row < 0 || other < 0 || other >= int(FSetup.Columns.size()))
        return;
    std::swap(FSetup.Columns[std::size_t(row)], FSetup.Columns[std::size_t(other)]);
    for (int &connected : FSetup.Connections) {
        if (connected == row)
            connected = other;
        else if (connected == other)
            connected = row;
    }
    ListView1->Refresh();
    SelectRow(other);
}

bool TSetupTableDialog::EditColumnClick()
{
    const int row = SelectedRow();
    if (row < 0)
        return false;
    TTableSetupColumn &column = FSetup.Columns[std::size_t(row)];
    bool typeLocked = false;
    for (const TConnectionField &field : ConnectionFields)
        if (!field.TextPlace && FSetup.Connections[field.Connection] == row)
            typeLocked = true;
    const bool positionColumn = FSetup.Connections[cnPosition] == row;
    QStringList values;
    for (const QString &entry : column.Strings)
        values.append(ParseCommaText(entry).value(0));
    EditTableColumnDialog->Fill(column.Caption, column.Type, values, typeLocked, positionColumn);
    if (EditTableColumnDialog->exec() != QDialog::Accepted)
        return false;

    QString caption = EditTableColumnDialog->Caption();
    if (caption != column.Caption)
        caption = UniqueName(caption, [this, row](const QString &name) { return IsNameTaken(name, row); });
    column.Caption = caption;
    column.Type = EditTableColumnDialog->Type();
    // The position column's entries carry the positions' weeks and rows: only the positions
    // dialog edits them. Other values that stay keep whatever their entry holds beyond them.
    // A column that is no pick list keeps its values, so that it gets them back as one.
    if (!positionColumn) {
        QStringList entries;
        for (const QString &value : EditTableColumnDialog->Values()) {
            QString entry = CommaTextOf({value});
            for (const QString &old : column.Strings)
                if (ParseCommaText(old).value(0) == value)
                    entry = old;
            entries.append(entry);
        }
        column.Strings = entries;
    }
    // A text place keeps showing the column whatever its type; a meaning whose type the column
    // no longer has lets it go.
    for (const TConnectionField &field : ConnectionFields)
        if (FSetup.Connections[field.Connection] == row && !ConnectionSuitsType(field.Connection, column.Type))
            FSetup.Connections[field.Connection] = -1;
    ListView1->Refresh();
    Recolour();
    return true;
}

int TSetupTableDialog::FieldIndex(TConnection connection) const
{
    for (std::size_t i = 0; i < ConnectionFields.size(); ++i)
        if (ConnectionFields[i].Connection == connection)
            return int(i);
    return -1;
}

QLabel *TSetupTableDialog::ConnectionLabel(TConnection connection) const
{
    const int i = FieldIndex(connection);
    return i >= 0 ? FLabels[std::size_t(i)] : nullptr;
}

QFrame *TSetupTableDialog::ConnectionShape(TConnection connection) const
{
    const int i = FieldIndex(connection);
    return i >= 0 ? FShapes[std::size_t(i)] : nullptr;
}

bool TSetupTableDialog::CanDrop(TConnection target, int row) const
{
    if (row < 0 || row >= int(FSetup.Columns.size()) || FieldIndex(target) < 0)
        return false;
    const TTableSetupColumn &column = FSetup.Columns[std::size_t(row)];
    return !column.Caption.isEmpty() && ConnectionSuitsType(target, column.Type);
}

bool TSetupTableDialog::Drop(TConnection target, int row, TConnection from)
{
    if (!CanDrop(target, row) || from == target)
        return false;
    const int former = FSetup.Connections[target];
    FSetup.Connections[target] = row;
    if (from != cnNone && FieldIndex(from) >= 0) {
        const bool suits = former >= 0 && ConnectionSuitsType(from, FSetup.Columns[std::size_t(former)].Type);
        FSetup.Connections[from] = suits ? former : -1;
    }
    Recolour();
    return true;
}

void TSetupTableDialog::DeleteConnection(TConnection connection)
{
    if (FieldIndex(connection) < 0)
        return;
    FSetup.Connections[connection] = -1;
    Recolour();
}

QMenu *TSetupTableDialog::ConnectionMenu(TConnection connection)
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ConnectionMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(Translate(QStringLiteral("Delete Connection")), this, [this, connection] { DeleteConnection(connection); });
    menu->addSeparator();
    for (std::size_t i = 0; i < FSetup.Columns.size(); ++i) {
        QAction *action = menu->addAction(FSetup.Columns[i].Caption, this,
                                          [this, connection, i] { Drop(connection, int(i)); });
        action->setEnabled(CanDrop(connection, int(i)));
    }
    return menu;
}

bool TSetupTableDialog::Recolour()
{
    const int selected = SelectedRow();
    const int count = int(FSetup.Columns.size());
    FValidConfiguration = true;
    for (std::size_t i = 0; i < ConnectionFields.size(); ++i) {
        const TConnectionField &field = ConnectionFields[i];
        int row = FSetup.Connections[field.Connection];
        if (row >= count)
            row = FSetup.Connections[field.Connection] = -1;
        FLabels[i]->setText(row >= 0 ? FSetup.Columns[std::size_t(row)].Caption : QString());
        std::uint32_t colour = SetColour;
        if (row >= 0 && row == selected)
            colour = SelectedColour;
        if (row < 0 && field.Required) {
            colour = MissingColour;
            FValidConfiguration = false;
        }
        // An empty text place shows only its label on the bar, ready to take a column.
        if (field.TextPlace && row < 0)
            colour = BarColour;
        Paint(FShapes[i], colour);
    }
    const bool any = selected >= 0;
    ButtonDelete->setEnabled(any);
    ButtonEdit->setEnabled(any);
    UpDownUp->setEnabled(any);
    UpDownDown->setEnabled(any);
    return FValidConfiguration;
}

void TSetupTableDialog::OkClick()
{
    Recolour();
    const QString problem = TableSetupProblem(FSetup);
    if (!problem.isEmpty()) {
        if (OnMessage)
            OnMessage(problem);
        return;
    }
    if (!OnConfirm || OnConfirm())
        accept();
}

void TSetupTableDialog::TranslateHeaders()
{
    ListView1->SetColumnCaption(0, Translate(QStringLiteral("Name")));
    ListView1->SetColumnCaption(1, Translate(QStringLiteral("Type")));
}

void TSetupTableDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FWasActive = true;
    TranslateHeaders();
    Recolour();
}

void TSetupTableDialog::StartDrag(QWidget *source, int row, TConnection from)
{
    if (row < 0)
        return;
    auto *mime = new QMimeData;
    mime->setData(DragFormat, QByteArray::number(row) + ',' + QByteArray::number(int(from)));
    auto *drag = new QDrag(source);
    drag->setMimeData(mime);
    drag->exec(Qt::LinkAction);
}

bool TSetupTableDialog::LabelDropEvent(TConnection target, QEvent *event)
{
    auto *drop = static_cast<QDropEvent *>(event);
    const QList<QByteArray> parts = drop->mimeData()->data(DragFormat).split(',');
    if (parts.size() != 2) {
        event->ignore();
        return true;
    }
    const int row = parts[0].toInt();
    const auto from = TConnection(parts[1].toInt());
    if (!CanDrop(target, row) || from == target) {
        event->ignore();
        return true;
    }
    drop->setDropAction(Qt::LinkAction);
    drop->accept();
    if (event->type() == QEvent::Drop)
        Drop(target, row, from);
    return true;
}

bool TSetupTableDialog::eventFilter(QObject *watched, QEvent *event)
{
    const int field = [&] {
        for (std::size_t i = 0; i < FLabels.size(); ++i)
            if (FLabels[i] == watched)
                return int(i);
        return -1;
    }();
    const bool fromList = watched == ListView1->viewport();
    if (field < 0 && !fromList)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            FPressPoint = mouse->position().toPoint();
            FPressSource = watched;
        }
        break;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (FPressSource == watched && (mouse->buttons() & Qt::LeftButton)
            && (mouse->position().toPoint() - FPressPoint).manhattanLength() >= QApplication::startDragDistance()) {
            FPressSource = nullptr;
            if (fromList) {
                StartDrag(ListView1, SelectedRow(), cnNone);
            } else {
                const TConnection from = ConnectionFields[std::size_t(field)].Connection;
                StartDrag(FLabels[std::size_t(field)], FSetup.Connections[from], from);
            }
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        FPressSource = nullptr;
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (field >= 0)
            return LabelDropEvent(ConnectionFields[std::size_t(field)].Connection, event);
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
