// The field the user works in, noted before the document is replaced under the editor or the
// lines are built anew, and put back into the new lines: the focus, the caret, the selected
// text and a date typed but not yet written.

#include "editor/PropertyEditor.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

#include "core/PlannerCore.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

// The text part of a field: an edit, or the edit of an editable drop-down.
QLineEdit *TextOf(QWidget *field)
{
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        return edit;
    if (auto *box = qobject_cast<QComboBox *>(field))
        return box->lineEdit();
    return nullptr;
}

} // namespace

QSet<QString> TPropertyEditor::RowIds(const std::vector<TNodeData *> &rows) const
{
    QSet<QString> ids;
    for (const TNodeData *node : rows)
        if (node->NodeTable == FBuiltTable)
            ids.insert(node->ID.Value());
    return ids;
}

bool TPropertyEditor::ShowsOnly(const QSet<QString> &rows) const
{
    const QSet<QString> now = RowIds(SelectedRows());
    return !now.isEmpty() && rows.contains(now);
}

TPropertyEditor::TFieldState TPropertyEditor::FieldState() const
{
    TFieldState state;
    state.table = FBuiltTable;
    state.rows = FShownRows;
    if (FScrollBox)
        state.scroll = FScrollBox->verticalScrollBar()->value();
    QWidget *focus = QApplication::focusWidget();
    if (!focus || !FContent || !FContent->isAncestorOf(focus))
        return state;
    for (const TLine &line : FLines) {
        if (line.edit != focus && !line.edit->isAncestorOf(focus))
            continue;
        state.caption = FCore.GetColumnCaption(FBuiltTable, line.column);
        state.type = line.type;
        state.typed = line.typed;
        state.agreed = line.agreed;
        if (const QLineEdit *edit = TextOf(line.edit)) {
            state.text = edit->text();
            state.cursor = edit->cursorPosition();
            state.anchor = state.cursor;
            if (edit->hasSelectedText())
                state.anchor = state.cursor == edit->selectionStart() ? edit->selectionEnd() : edit->selectionStart();
        }
        break;
    }
    return state;
}

bool TPropertyEditor::RestoreFieldState(const TFieldState &state)
{
    if (state.table != FBuiltTable)
        return false;
    if (FScrollBox)
        FScrollBox->verticalScrollBar()->setValue(state.scroll);
    if (state.caption.isEmpty() || !ShowsOnly(state.rows))
        return false;
    // By its caption: the columns may have moved in the new document.
    TLine *line = nullptr;
    for (TLine &each : FLines)
        if (each.type == state.type && FCore.GetColumnCaption(FBuiltTable, each.column) == state.caption) {
            line = &each;
            break;
        }
    if (!line || !line->edit->isEnabled())
        return false;
    QLineEdit *edit = TextOf(line->edit);
    // A date is written when it is confirmed or left; until then it stays what it was.
    if (state.typed && line->type == ctDate && edit && !edit->isReadOnly()) {
        edit->setText(state.text);
        line->typed = true;
        SetFieldColor(*line, line->agreed || state.agreed);
    }
    // The focus first: entering a text field fills its completion list, which sets its text.
    line->edit->setFocus(Qt::OtherFocusReason);
    if (edit) {
        const int length = int(edit->text().size());
        const int cursor = std::clamp(state.cursor, 0, length);
        const int anchor = std::clamp(state.anchor, 0, length);
        if (anchor == cursor)
            edit->setCursorPosition(cursor);
        else
            edit->setSelection(anchor, cursor - anchor);
    }
    QWidget *focus = QApplication::focusWidget();
    return focus && (focus == line->edit || line->edit->isAncestorOf(focus));
}

void TPropertyEditor::ReturnFocus(const TFieldState &state)
{
    if (FEditorVisible && RestoreFieldState(state))
        return;
    if (state.caption.isEmpty())
        return;
    // The field's rows are gone: keys meant for them go to the table, not to the window.
    if (TBaseTreeGrid *grid = FCore.GetTable(FCore.GetActiveTable()))
        grid->setFocus(Qt::OtherFocusReason);
}
