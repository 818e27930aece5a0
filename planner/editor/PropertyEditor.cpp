// Building the editor's lines for the active table, filling them from the selected rows and
// writing what the user changes back into those rows.

#include "editor/PropertyEditor.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

#include "DateFormat.h"
#include "Language.h"
#include "core/ActionScope.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "PopupDateTime.h"
#include "editor/EditorForm.h"
#include "editor/EditorNamePanel.h"
#include "table/Autofill.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "AutocompletingEdit.h"

TPropertyEditor::TPropertyEditor(TPlannerCore &core, const TDocumentSync &sync, QWidget *panel, QWidget *mainWindow,
                                 QObject *parent)
    : QObject(parent), FCore(core), FSync(sync), FPanel(panel), FMainWindow(mainWindow),
      FAutofill(std::make_unique<TAutofill>(core, sync))
{
    setObjectName(QStringLiteral("PropertyEditor"));
    FScrollBox = new QScrollArea(panel);
    FScrollBox->setObjectName(QStringLiteral("EditorScrollBox"));
    FScrollBox->setWidgetResizable(true);
    FScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FScrollBox->setFrameShape(QFrame::NoFrame);
    if (panel) {
        auto *layout = new QVBoxLayout(panel);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(FScrollBox);
    }
    {
        const QLineEdit probe;
        FPitch = probe.sizeHint().height() + 6;
    }
    FVisibleTimer.setObjectName(QStringLiteral("ChangeEditorVisibleTimer"));
    FVisibleTimer.setSingleShot(true);
    FVisibleTimer.setInterval(500);
    connect(&FVisibleTimer, &QTimer::timeout, this, &TPropertyEditor::ChangeEditorVisibleTimerTimer);
    WatchKeys();
    OnOpenUrl = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
}

TPropertyEditor::~TPropertyEditor() = default;

// ---- the rows

std::vector<TNodeData *> TPropertyEditor::SelectedRows() const
{
    return RowsOf(FCore.GetActiveTable());
}

std::vector<TNodeData *> TPropertyEditor::RowsOf(TWhichTable table) const
{
    if (OnSelectedRows)
        return OnSelectedRows(table);
    std::vector<TNodeData *> rows;
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (!grid)
        return rows;
    for (TGridNode *node : grid->GetSortedSelection(false))
        if (TNodeData *data = TPlannerCore::NodeData(grid, node))
            rows.push_back(data);
    return rows;
}

TPropertyEditor::TLine *TPropertyEditor::LineOf(int column)
{
    for (TLine &line : FLines)
        if (line.column == column)
            return &line;
    return nullptr;
}

const TPropertyEditor::TLine *TPropertyEditor::LineOfWidget(const QWidget *widget) const
{
    if (!widget)
        return nullptr;
    for (const TLine &line : FLines)
        if (line.edit == widget || line.edit->isAncestorOf(widget))
            return &line;
    return nullptr;
}

QWidget *TPropertyEditor::Control(const QString &prefix, int column) const
{
    return FContent ? FContent->findChild<QWidget *>(prefix + QString::number(column)) : nullptr;
}

// ---- building

void TPropertyEditor::PageControl1Change()
{
    FAutofill->LoadAutofill();
    const TWhichTable table = FCore.GetActiveTable();
    // The field the user works in. Built anew for the same table (an undo, many events of other
    // users at once), or held while the document is replaced, it comes back in the new lines
    // and a date typed there stays typed, unwritten; never is it written into rows other than
    // those it was typed for.
    const bool built = FContent != nullptr;
    const TFieldState kept = built ? FieldState() : TFieldState();
    if (FFieldHeld || (table == FBuiltTable && !kept.caption.isEmpty()))
        if (TLine *line = LineOf(kept.column))
            line->typed = false;
    // Any other typed date leaves with these lines: written into its rows (for the other
    // table too), or, while the document is being replaced, told.
    // The rows are looked up only when a date is typed: this runs at every undo.
    SettleTypedDatesFor(FFieldHeld || !AnyTyped() ? std::vector<TNodeData *>() : TypedForRows(), false);
    // For the other table the field is left; the keys go to that table.
    if (FContent)
        if (QWidget *focus = FContent->window()->focusWidget(); focus && FContent->isAncestorOf(focus))
            focus->clearFocus();
    FLines.clear();
    if (FContent) {
        FScrollBox->takeWidget();
        // Freed later: this may run inside a signal of one of its controls.
        FContent->deleteLater();
    }
    const bool otherTable = !built || table != FBuiltTable;
    if (otherTable)
        FEditorSizeUpdate = true;
    FBuiltTable = table;

    FContent = new QWidget;
    FContent->setObjectName(QStringLiteral("EditorContent"));
    FNamePanel = new TEditorNamePanel(FContent);
    FNamePanel->setObjectName(QStringLiteral("EditorNamePanel"));
    FNamePanel->setFixedWidth(110);
    FValuePanel = new QWidget(FContent);
    FValuePanel->setObjectName(QStringLiteral("EditorValuePanel"));
    auto *layout = new QHBoxLayout(FContent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FNamePanel);
    layout->addWidget(FValuePanel, 1);
    for (QWidget *widget : {FContent, FNamePanel, FValuePanel})
        widget->installEventFilter(this);

    const TTreeGridColumns *columns = FCore.GetTable(table)->Header()->Columns();
    const int count = FCore.GetTableColCount(table);
    FLines.reserve(std::size_t(count));
    for (int column = 0; column < count; ++column) {
        const TTreeGridColumn *item = columns->Items(column);
        if (item && !item->Options().contains(coVisible))
            continue;
        TLine line;
        line.column = column;
        FLines.push_back(line);
        BuildLine(FLines.back(), int(FLines.size()) - 1);
    }
    FContent->setMinimumHeight((LineCount() + 1) * FPitch);
    FScrollBox->setWidget(FContent);
    LayoutLines();
    ApplyFormSize();

    SeteditorVisible(FCore.SelectedCount(table) > 0);
    UpdateEditor();
    // Another table: its selected bars and filter show. Built anew for the same one (the end
    // of an update), the rows and the filter are as they were or have been refreshed.
    if (otherTable) {
        for (TWhichTable each : {tbTable, tbExclude})
            FCore.ForEach(each, feSelected, &TPlannerCore::CB_SetRecalcBitmap);
        FCore.InvalidateTimeChart(false);
        FCore.FilterData(table);
    }
    // Or the keys go to the table: for the other table's lines, to that one.
    if (built && !FFieldHeld)
        ReturnFocus(kept);
}

// ---- filling

void TPropertyEditor::UpdateEditor()
{
    if (FCore.IsUpdating() || !FEditorVisible)
        return;
    if (FWriting) {
        // Once, after this editor's own writes.
        FRefillWanted = true;
        return;
    }
    const std::vector<TNodeData *> rows = SelectedRows();
    ShowSelectedCount(int(rows.size()));
    const TSharedValues shared = SharedValues(rows);
    const std::vector<QString> &values = shared.values;
    const std::vector<char> &agreed = shared.agreed;
    const int count = int(values.size());
    if (FUpdateEditor)
        return;
    // A date typed but not yet confirmed stays while the field shows its rows (an edit of
    // another user arrived): confirming it writes it, the later edit.
    bool sameRows = false;
    if (AnyTyped()) {
        const QSet<QString> shown = RowIds(rows);
        sameRows = !shown.isEmpty() && ShownRows().contains(shown);
        // Other rows: a date typed for those shown until now is written into them or told; a
        // write refilled the fields already.
        if (!sameRows && SettleTypedDates())
            return;
    }
    FShownRowIds.clear();
    FShownRowIds.reserve(rows.size());
    for (const TNodeData *node : rows)
        if (node->NodeTable == FBuiltTable)
            FShownRowIds.push_back(node->ID.Value());
    FShownRowSet.reset();
    FUpdateEditor = true;
    for (TLine &line : FLines) {
        if (line.column >= count)
            continue;
        if (line.typed && sameRows) {
            // White when it was: a cleared date is written too.
            SetFieldColor(line, line.agreed || agreed[std::size_t(line.column)] != 0);
            continue;
        }
        SetFieldColor(line, agreed[std::size_t(line.column)] != 0);
        if (!FMultiEditUpdate)
            ShowValue(line, values[std::size_t(line.column)]);
        line.typed = false;
    }
    FUpdateEditor = false;
}

TPropertyEditor::TSharedValues TPropertyEditor::SharedValues(const std::vector<TNodeData *> &rows) const
{
    const int count = FCore.GetTableColCount(FBuiltTable);
    TSharedValues shared;
    shared.values.resize(std::size_t(std::max(count, 0)));
    shared.agreed.assign(shared.values.size(), 1);
    bool first = true;
    for (const TNodeData *node : rows) {
        if (node->NodeTable != FBuiltTable)
            continue;
        for (int column = 0; column < count; ++column) {
            const std::size_t c = std::size_t(column);
            if (first) {
                shared.values[c] = node->StringList.value(column);
            } else if (shared.agreed[c] && node->StringList.value(column) != shared.values[c]) {
                shared.values[c].clear();
                shared.agreed[c] = 0;
            }
        }
        first = false;
    }
    return shared;
}

void TPropertyEditor::ShowCellValue(TLine &line)
{
    line.typed = false;
    const TSharedValues shared = SharedValues(RowsOf(FBuiltTable));
    const std::size_t column = std::size_t(line.column);
    if (column >= shared.values.size())
        return;
    const bool updating = FUpdateEditor;
    FUpdateEditor = true;
    SetFieldColor(line, shared.agreed[column] != 0);
    ShowValue(line, shared.values[column]);
    FUpdateEditor = updating;
}

void TPropertyEditor::ShowSelectedCount(int count)
{
    if (!FForm)
        return;
    if (count < 0)
        count = int(SelectedRows().size());
    FForm->SetStatusText(Translate(QStringLiteral("%s items selected"), {QString::number(count)}));
}

void TPropertyEditor::RequestRefill()
{
    if (FRefillWanted) {
        FRefillWanted = false;
        UpdateEditor();
    }
}

// ---- writing back

void TPropertyEditor::EditChange(int column)
{
    if (FUpdateEditor)
        return;
    TLine *line = LineOf(column);
    if (!line)
        return;
    if (line->type == ctDate) {
        // Written when the field is left or confirmed: half a date is no date. A text the
        // field refused is being mended.
        line->typed = true;
        Unrefuse(*line);
        if (OnDateTyped)
            OnDateTyped();
        return;
    }
    const QString text = FieldText(*line);
    const std::size_t rows = SelectedRows().size();
    // A click on a check box is meant for every selected row.
    const bool all = line->type == ctCheckBox ? rows >= 2 : rows >= 2 && !text.isEmpty();
    WriteRows(*line, text, all, RowsOf(FBuiltTable));
}

void TPropertyEditor::WriteRows(TLine &line, const QString &text, bool all, const std::vector<TNodeData *> &rows)
{
    // A tinted field that is cleared writes nothing.
    if (!line.agreed && !all)
        return;
    if (rows.empty())
        return;
    const int column = line.column;
    FMultiEditUpdate = all;
    {
        const TWritingScope writing(FWriting);
        const TActionScope action(FCore);
        for (TNodeData *node : rows)
            if (node->NodeTable == FBuiltTable)
                FCore.SetData(node, column, text);
    }
    FMultiEditUpdate = false;
    if (TLine *written = LineOf(column))
        SetFieldColor(*written, true);
    // The rows changed (ends and validity too): the fields show them once.
    FRefillWanted = true;
    RequestRefill();
}

// ---- focus

void TPropertyEditor::EditorEnter()
{
    for (TNodeData *node : SelectedRows())
        FCore.CB_FilterNode(node);
}

void TPropertyEditor::EditorExit(int column)
{
    TLine *line = LineOf(column);
    auto *edit = line ? qobject_cast<TAutocompletingEdit *>(line->edit) : nullptr;
    if (!edit || edit->text().isEmpty() || edit->Items().contains(edit->text()))
        return;
    QStringList items = edit->Items();
    items.append(edit->text());
    const QString text = edit->text();
    edit->SetItems(items);
    edit->QLineEdit::setText(text);
}

bool TPropertyEditor::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // A click beside the fields takes the focus away from them.
        if (watched == FContent || watched == FNamePanel || watched == FValuePanel || qobject_cast<QLabel *>(watched)) {
            if (QWidget *focus = QApplication::focusWidget())
                focus->clearFocus();
        }
        break;
    case QEvent::FocusOut: {
        // A date is written when the user leaves its field inside the program, not when the
        // window only loses its activation or a pop-up or menu opens over it.
        const TLine *line = LineOfWidget(qobject_cast<QWidget *>(watched));
        if (line && line->type == ctDate && LeavesField(static_cast<QFocusEvent *>(event)->reason()))
            DateEditExit(line->column);
        break;
    }
    case QEvent::FocusIn: {
        const QVariant tag = watched->property("Tag");
        if (tag.isValid()) {
            if (TLine *line = LineOf(tag.toInt()))
                FillCompletion(*line);
            EditorEnter();
        }
        break;
    }
    case QEvent::KeyPress: {
        // Alt+Down opens a date field's calendar, as date fields do.
        const auto *key = static_cast<QKeyEvent *>(event);
        const QVariant tag = watched->property("Tag");
        TLine *line = tag.isValid() ? LineOf(tag.toInt()) : nullptr;
        if (line && line->edit == watched && line->type == ctDate && line->button && key->key() == Qt::Key_Down
            && (key->modifiers() & Qt::AltModifier)) {
            const int column = line->column;
            QMetaObject::invokeMethod(this, [this, column] { CanvasPanelClick(column); }, Qt::QueuedConnection);
            return true;
        }
        break;
    }
    case QEvent::Resize:
        if (watched == FValuePanel)
            LayoutLines();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
