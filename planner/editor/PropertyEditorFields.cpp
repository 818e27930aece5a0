// The controls of one editor line per column type, their geometry, colours and values, and
// the buttons beside them: the calendar, the link and the autofill key.

#include "editor/PropertyEditor.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSet>
#include <QStandardItemModel>
#include <QToolButton>
#include <qdrawutil.h>

#include <cmath>

#include "AutocompletingEdit.h"
#include "CommaText.h"
#include "CompletingComboBox.h"
#include "DateFormat.h"
#include "Language.h"
#include "PopupDateTime.h"
#include "core/PlannerCore.h"
#include "editor/EditorCalendarButton.h"
#include "editor/EditorForm.h"
#include "editor/EditorNamePanel.h"
#include "editor/LinkTarget.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"
#include "table/Autofill.h"

namespace {

constexpr int ButtonWidth = 15;

// A colour swatch with a raised edge, as the colour drop-downs show their entries.
QIcon Swatch(TColor color, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QPalette palette;
    qDrawShadePanel(&painter, 0, 0, size, size, palette, false, 1, nullptr);
    painter.fillRect(1, 1, size - 2, size - 2, ToQColor(color));
    return QIcon(pixmap);
}

// The items of a colour list, whose swatches show the palette as it is when they are drawn: a
// colour chosen meanwhile on a colour panel shows in the closed box and in the open list.
class TSwatchModel : public QStandardItemModel
{
public:
    TSwatchModel(std::function<TColor(int)> colorOf, int size, QObject *parent)
        : QStandardItemModel(parent), FColorOf(std::move(colorOf)), FSize(size)
    {
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DecorationRole && index.isValid() && !index.parent().isValid())
            return Swatch(FColorOf(index.row()), FSize);
        return QStandardItemModel::data(index, role);
    }

private:
    std::function<TColor(int)> FColorOf;
    int FSize;
};

} // namespace

// ---- captions and markers

QString TPropertyEditor::CaptionOf(int column) const
{
    const TWhichTable table = FBuiltTable;
    QString caption = FCore.GetColumnCaption(table, column) + QStringLiteral("   ");
    if (FCore.GetColumnConnection(table, column) == cnLength) {
        caption += QLatin1Char(' ');
        caption += FCore.GetMinUnit() == muMinute && table == tbTable ? Translate(QStringLiteral("(h,min)"))
                                                                       : Translate(QStringLiteral("(days)"));
    }
    const THeaderData *header = FCore.GetHeader(table, column);
    if (table == tbTable && header && header->HasAutofill)
        caption += QStringLiteral(" *");
    return caption;
}

TColor TPropertyEditor::MarkerColor(TConnection connection) const
{
    switch (connection) {
    case cnPosition:
    case cnStart:
    case cnEnd:
    case cnLength:
        return 0xE0CA92; // RGB(146, 202, 224)
    case cnTermin:
        return 0x7362D6; // RGB(214, 98, 115)
    default:
        return DifferColor;
    }
}

QStringList TPropertyEditor::PullDownItems(int column) const
{
    QStringList items;
    if (FCore.GetColumnConnection(FBuiltTable, column) == cnPosition) {
        // Every resource of the group, also those hidden as empty.
        for (const QString &entry : FCore.FNoAutoGlobalPositionFilter)
            items.append(ParseCommaText(entry).value(0));
        if (FBuiltTable == tbExclude)
            items.append(QStringLiteral("*"));
        return items;
    }
    for (const QString &entry : FCore.GetColumnStrings(FBuiltTable, column))
        items.append(ParseCommaText(entry).value(0));
    return items;
}

void TPropertyEditor::UpdatePositionItems()
{
    const int column = FCore.GetConnection(FBuiltTable, cnPosition);
    TLine *line = LineOf(column);
    auto *box = line ? qobject_cast<TCompletingComboBox *>(line->edit) : nullptr;
    if (!box)
        return;
    const bool updating = FUpdateEditor;
    FUpdateEditor = true;
    const QString current = box->currentText();
    box->clear();
    box->addItems(PullDownItems(column));
    box->setCurrentIndex(box->findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive));
    FUpdateEditor = updating;
}

// ---- one line

void TPropertyEditor::BuildLine(TLine &line, int index)
{
    const TWhichTable table = FBuiltTable;
    const int column = line.column;
    const QString number = QString::number(column);
    line.type = FCore.GetColumnType(table, column);
    line.connection = FCore.GetColumnConnection(table, column);
    line.top = index * FPitch;

    line.label = new QLabel(CaptionOf(column), FNamePanel);
    line.label->setObjectName(QStringLiteral("__label") + number);
    line.label->setContentsMargins(8, 0, 0, 0);
    line.label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    line.label->installEventFilter(this);
    // The name panel grows with its longest caption.
    const int needed = line.label->sizeHint().width() + 11;
    if (needed > FNamePanel->width())
        FNamePanel->setFixedWidth(needed);

    const bool readOnly = FCore.GetColumnReadOnly(table, column) || (line.type == ctDate && line.connection == cnEnd);
    const auto change = [this, column] { EditChange(column); };
    switch (line.type) {
    case ctDate: {
        auto *edit = new QLineEdit(FValuePanel);
        edit->setObjectName(QStringLiteral("__date") + number);
        edit->setReadOnly(readOnly);
        connect(edit, &QLineEdit::textEdited, this, change);
        // Return confirms; leaving the field is seen by the editor's event filter.
        connect(edit, &QLineEdit::returnPressed, this, [this, column] { DateEditExit(column); });
        line.edit = edit;
        if (line.connection == cnEnd) {
            edit->setToolTip(Translate(QStringLiteral("Enddate cannot be edited")));
        } else {
            auto *button = new TEditorCalendarButton(FValuePanel);
            button->setObjectName(QStringLiteral("__button") + number);
            // A click on it leaves the keyboard in its field, as a combo box's arrow does,
            // not with the scroll box around the fields.
            button->setFocusPolicy(Qt::ClickFocus);
            button->setFocusProxy(edit);
            // Opened from the event loop: the pop-up's own loop must not run inside the
            // button's event handler, which a rebuild may free.
            connect(button, &TEditorCalendarButton::clicked, this, [this, column] { CanvasPanelClick(column); },
                    Qt::QueuedConnection);
            line.button = button;
        }
        break;
    }
    case ctPulldown: {
        auto *box = new TCompletingComboBox(FValuePanel);
        box->setObjectName(QStringLiteral("__edit") + number);
        const QStringList items = PullDownItems(column);
        if (line.connection == cnColor || line.connection == cnPosition)
            box->SetEditable(false);
        if (line.connection == cnColor) {
            const int size = std::max(8, FPitch - 10);
            const QPointer<TPropertyEditor> self(this);
            box->setModel(new TSwatchModel(
                [self, table](int i) {
                    if (!self)
                        return AgreeColor;
                    return (table == tbTable ? self->FCore.FColors : self->FCore.FHolidayColors).value(i, AgreeColor);
                },
                size, box));
            box->setIconSize(QSize(size, size));
            box->addItems(items);
        } else {
            box->addItems(items);
        }
        box->setCurrentIndex(-1);
        box->setEnabled(!readOnly);
        connect(box, &TCompletingComboBox::OnChange, this, change);
        connect(box, &QComboBox::activated, this, change);
        line.edit = box;
        break;
    }
    case ctNumber: {
        auto *edit = new QLineEdit(FValuePanel);
        edit->setObjectName(QStringLiteral("__edit") + number);
        edit->setReadOnly(readOnly);
        connect(edit, &QLineEdit::textEdited, this, change);
        line.edit = edit;
        break;
    }
    case ctCheckBox: {
        auto *box = new QCheckBox(QString(), FValuePanel);
        box->setObjectName(QStringLiteral("__edit") + number);
        box->setEnabled(!readOnly);
        connect(box, &QCheckBox::clicked, this, change);
        line.edit = box;
        break;
    }
    case ctText:
    case ctLink: {
        auto *edit = new TAutocompletingEdit(FValuePanel);
        edit->setObjectName(QStringLiteral("__edit") + number);
        edit->setReadOnly(readOnly);
        connect(edit, &TAutocompletingEdit::OnChange, this, change);
        connect(edit, &TAutocompletingEdit::OnExit, this, [this, column] { EditorExit(column); });
        line.edit = edit;
        if (line.type == ctLink) {
            auto *button = new QToolButton(FValuePanel);
            button->setObjectName(QStringLiteral("__button") + number);
            button->setText(QStringLiteral("..."));
            button->setFocusPolicy(Qt::NoFocus);
            connect(button, &QToolButton::clicked, this, [this, column] { LinkPanelClick(column); });
            line.button = button;
        }
        break;
    }
    }
    const THeaderData *header = FCore.GetHeader(table, column);
    if (line.type != ctDate && table == tbTable && header && header->HasUniqueAutofill) {
        auto *button = new QToolButton(FValuePanel);
        button->setObjectName(QStringLiteral("__autofill") + number);
        button->setText(QStringLiteral("A"));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, column] { AutofillPanelClick(column); });
        line.autofill = button;
    }
    for (QWidget *widget : {line.edit, line.button, line.autofill}) {
        if (!widget)
            continue;
        widget->setProperty("Tag", column);
        widget->show();
    }
    line.edit->installEventFilter(this);
    line.label->show();
}

void TPropertyEditor::LayoutLines()
{
    if (!FValuePanel || !FNamePanel)
        return;
    const int width = FValuePanel->width();
    const int editHeight = FPitch - 6;
    std::vector<TEditorNamePanel::TMarker> markers;
    markers.reserve(FLines.size());
    for (const TLine &line : FLines) {
        const int top = line.top;
        int right = width;
        if (line.autofill) {
            line.autofill->setGeometry(right - ButtonWidth, top, ButtonWidth, FPitch);
            right -= ButtonWidth;
        }
        if (line.button && line.type == ctDate) {
            line.button->setGeometry(right - ButtonWidth, top, ButtonWidth, editHeight);
            right -= ButtonWidth;
        } else if (line.button) {
            line.button->setGeometry(right - ButtonWidth, top + 2, ButtonWidth, FPitch - 7);
            right -= ButtonWidth;
        }
        line.edit->setGeometry(0, top + (line.type == ctCheckBox ? 2 : 0), std::max(right, 0), editHeight);
        line.label->setGeometry(0, top + (FPitch - 17) / 2, FNamePanel->width(), FPitch);
        markers.push_back({top, ToQColor(MarkerColor(line.connection))});
    }
    static_cast<TEditorNamePanel *>(FNamePanel)->SetMarkers(std::move(markers), FPitch);
}

// ---- colours and values

void TPropertyEditor::PaletteChanged()
{
    for (const TLine &line : FLines)
        if (auto *box = line.connection == cnColor ? qobject_cast<QComboBox *>(line.edit) : nullptr) {
            box->update();
            box->view()->viewport()->update();
        }
}

void TPropertyEditor::SetFieldColor(TLine &line, bool agreed)
{
    line.agreed = agreed;
    // A refused text keeps its mark until it is mended.
    if (Refused(line))
        return;
    const QColor color = ToQColor(agreed ? AgreeColor : DifferColor);
    QPalette palette = line.edit->palette();
    if (palette.color(QPalette::Base) == color && palette.color(QPalette::Button) == color)
        return;
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Button, color);
    palette.setColor(QPalette::Window, color);
    line.edit->setPalette(palette);
    line.edit->setAutoFillBackground(line.type == ctCheckBox);
}

QString TPropertyEditor::FieldText(const TLine &line) const
{
    if (auto *edit = qobject_cast<QLineEdit *>(line.edit))
        return edit->text();
    if (auto *box = qobject_cast<QComboBox *>(line.edit))
        return box->currentText();
    if (auto *check = qobject_cast<QCheckBox *>(line.edit))
        return BoolName(check->isChecked());
    return QString();
}

void TPropertyEditor::ShowValue(TLine &line, const QString &value)
{
    // Unchanged texts are left alone: the caret and a completion's selection stay.
    if (auto *edit = qobject_cast<QLineEdit *>(line.edit)) {
        if (edit->text() != value)
            edit->setText(value);
    } else if (auto *box = qobject_cast<QComboBox *>(line.edit)) {
        const int index = box->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0) {
            if (box->currentIndex() != index)
                box->setCurrentIndex(index);
        } else if (box->isEditable()) {
            if (box->currentText() != value)
                box->setEditText(value);
        } else {
            box->setCurrentIndex(-1);
        }
    } else if (auto *check = qobject_cast<QCheckBox *>(line.edit)) {
        check->setChecked(value == BoolName(true));
    }
}

void TPropertyEditor::FillCompletion(TLine &line)
{
    auto *edit = qobject_cast<TAutocompletingEdit *>(line.edit);
    if (!edit || line.completionFilled)
        return;
    // Gathered when the field is first entered: a rebuild must not read every cell.
    line.completionFilled = true;
    QSet<QString> seen;
    QStringList items;
    const auto add = [&](const QString &text) {
        if (!text.isEmpty() && !seen.contains(text)) {
            seen.insert(text);
            items.append(text);
        }
    };
    FCore.ForEach(FBuiltTable, feAll, [&](TNodeData *node) { add(node->StringList.value(line.column)); });
    if (FBuiltTable == tbTable)
        for (const QString &value : FAutofill->Values(line.column))
            add(value);
    const QString text = edit->text();
    edit->SetItems(items);
    edit->QLineEdit::setText(text);
}

// ---- the calendar

void TPropertyEditor::CanvasPanelClick(int column)
{
    TLine *line = LineOf(column);
    auto *edit = line ? qobject_cast<QLineEdit *>(line->edit) : nullptr;
    if (!edit || edit->isReadOnly())
        return;
    if (!FDatePopup)
        FDatePopup = new TDateTimePopup(FMainWindow);
    FPopupColumn = column;
    QPointer<TEditorCalendarButton> button = qobject_cast<TEditorCalendarButton *>(line->button);
    if (button)
        button->SetPressed(true);
    TDateTime date = 0;
    const QString text = edit->text().trimmed();
    FDatePopup->SetDate(!text.isEmpty() && TryStrToDateTime(text, date) ? date : Now());
    const QPoint below = edit->mapToGlobal(QPoint(0, edit->height()));
    QPointer<TDateTimePopup> popup = FDatePopup;
    const bool shown = popup->RollDownForm(edit->window(), below.x(), below.y());
    if (button)
        button->SetPressed(false);
    if (shown && popup && popup->ModalResult() == mrOk)
        DateTimePopupChange();
}

void TPropertyEditor::DateTimePopupChange()
{
    TLine *line = LineOf(FPopupColumn);
    auto *edit = line ? qobject_cast<QLineEdit *>(line->edit) : nullptr;
    if (!edit || !FDatePopup)
        return;
    // The day picked, at the time of day the field had.
    TDateTime previous = 0;
    if (!TryStrToDateTime(edit->text().trimmed(), previous))
        previous = 0;
    const TDateTime time = std::abs(previous - std::trunc(previous));
    const QString text = FCore.FormatDateTime(std::trunc(FDatePopup->GetDate()) + time);
    edit->setText(text);
    line->typed = false;
    Unrefuse(*line);
    const std::vector<TNodeData *> rows = RowsOf(FBuiltTable);
    WriteRows(*line, text, rows.size() >= 2, rows);
    if (line->button)
        line->button->update();
}

// ---- links and autofill

void TPropertyEditor::LinkPanelClick(int column)
{
    TLine *line = LineOf(column);
    if (!line)
        return;
    const QString text = FieldText(*line);
    const TDirWatchThread *journal = FSync.DirWatchThread();
    const QString document = journal ? journal->Filename() : QString();
    const TLinkTarget target = ClassifyLink(text, document.isEmpty() ? QString() : QFileInfo(document).path());
    IPlannerWindow &window = FCore.Window();
    switch (target.kind) {
    case lkNone:
        return;
    case lkWeb:
    case lkMail:
        OnOpenUrl(target.url);
        return;
    case lkFile:
        if (window.Ask(Translate(QStringLiteral("Open the file %s?"), {QDir::toNativeSeparators(target.url.toLocalFile())}),
                       mtConfirmation, {mbYes, mbNo})
            == mrYes)
            OnOpenUrl(target.url);
        return;
    case lkRefused:
        window.Ask(Translate(QStringLiteral("%s is not opened: only web and mail addresses and existing files that are not programs are."),
                             {text.trimmed()}),
                   mtInformation, {mbOK});
        return;
    }
}

void TPropertyEditor::AutofillPanelClick(int column)
{
    TLine *line = LineOf(column);
    if (!line)
        return;
    const QString key = FieldText(*line);
    {
        const TWritingScope writing(FWriting);
        FAutofill->AutofillPanelClick(column, key, SelectedRows());
    }
    FRefillWanted = true;
    RequestRefill();
}
