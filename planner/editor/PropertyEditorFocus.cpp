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
#include <functional>

#include "core/PlannerCore.h"
#include "editor/EditorForm.h"
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
    ids.reserve(qsizetype(rows.size()));
    for (const TNodeData *node : rows)
        if (node->NodeTable == FBuiltTable)
            ids.insert(node->ID.Value());
    return ids;
}

const QSet<QString> &TPropertyEditor::ShownRows() const
{
    if (!FShownRowSet) {
        FShownRowSet.emplace();
        FShownRowSet->reserve(qsizetype(FShownRowIds.size()));
        for (const QString &id : FShownRowIds)
            FShownRowSet->insert(id);
    }
    return *FShownRowSet;
}

bool TPropertyEditor::ShowsOnly(const QSet<QString> &rows) const
{
    const QSet<QString> now = RowIds(SelectedRows());
    return !now.isEmpty() && rows.contains(now);
}

bool TPropertyEditor::IsProgramWindow(const QWidget *window) const
{
    return window && (window == FMainWindow || window == FForm);
}

// Sees every key the user presses in the program's windows: a key pressed outside the editor
// ends a loan of the keys.
class TPropertyEditor::TKeyWatch : public QObject
{
public:
    explicit TKeyWatch(TPropertyEditor &editor) : QObject(&editor), FEditor(editor) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && FEditor.FKeysLent && watched->isWidgetType())
            FEditor.KeyPressed(static_cast<QWidget *>(watched));
        return false;
    }

private:
    TPropertyEditor &FEditor;
};

void TPropertyEditor::WatchKeys()
{
    new TKeyWatch(*this);
    connect(qApp, &QApplication::focusChanged, this, &TPropertyEditor::FocusChanged);
}

void TPropertyEditor::FocusChanged(QWidget *old, QWidget *now)
{
    // The keys left a field for a control outside the editor, by a click (a right click that
    // opens a context menu takes them along) or by the user turning to the main window: on
    // loan there, also while they move on with the mouse, until the user types outside the
    // editor or they come back.
    if (!FContent)
        return;
    if (now && FContent->isAncestorOf(now))
        FKeysLent = false;
    else if (old && FContent->isAncestorOf(old))
        FKeysLent = true;
}

void TPropertyEditor::KeyPressed(QWidget *receiver)
{
    // Keys typed into a question or a dialog are no work of the user's in the program's windows.
    if (IsProgramWindow(receiver->window()) && !(FContent && FContent->isAncestorOf(receiver)))
        FKeysLent = false;
}

bool TPropertyEditor::KeysFromField() const
{
    const QWidget *focus = QApplication::focusWidget();
    return FieldInUse() || (FKeysLent && focus && IsProgramWindow(focus->window()));
}

QWidget *TPropertyEditor::FieldInUse() const
{
    if (!FContent)
        return nullptr;
    QWidget *window = FContent->window();
    if (!window->isVisible())
        return nullptr;
    // Not the application's focus widget: while the user is in another program there is none.
    const QWidget *active = QApplication::activeWindow();
    if (active != window && IsProgramWindow(active))
        return nullptr;
    QWidget *focus = window->focusWidget();
    return focus && FContent->isAncestorOf(focus) ? focus : nullptr;
}

TPropertyEditor::TFieldState TPropertyEditor::FieldState() const
{
    TFieldState state;
    state.table = FBuiltTable;
    if (FScrollBox)
        state.scroll = FScrollBox->verticalScrollBar()->value();
    QWidget *focus = FieldInUse();
    // A date typed in the editor's own window while the user is in the main window: that
    // window gives the keys back to its field.
    if (!focus && FContent && FContent->window()->isVisible())
        if (const TLine *line = LineOfWidget(FContent->window()->focusWidget()); line && line->typed)
            focus = line->edit;
    if (!focus)
        return state;
    for (const TLine &line : FLines) {
        if (line.edit != focus && !line.edit->isAncestorOf(focus))
            continue;
        // The rows matter only to a field in use: the set is made of every shown row.
        state.rows = ShownRows();
        state.caption = FCore.GetColumnCaption(FBuiltTable, line.column);
        state.column = line.column;
        state.connection = line.connection;
        for (int column = 0; column < FCore.GetTableColCount(FBuiltTable); ++column)
            state.captions.append(FCore.GetColumnCaption(FBuiltTable, column));
        state.type = line.type;
        state.typed = line.typed;
        state.refused = Refused(line);
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
    TLine *line = FieldLine(state);
    if (!line || !line->edit->isEnabled())
        return false;
    QLineEdit *edit = TextOf(line->edit);
    // A date is written when it is confirmed or left; until then it stays what it was.
    if (state.typed && line->type == ctDate && edit && !edit->isReadOnly()) {
        edit->setText(state.text);
        line->typed = true;
        SetFieldColor(*line, line->agreed || state.agreed);
        if (state.refused)
            Refuse(*line);
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
    // Also while the user is in another program: the window gives it the keys on return.
    QWidget *focus = line->edit->window()->focusWidget();
    return focus && (focus == line->edit || line->edit->isAncestorOf(focus));
}

TPropertyEditor::TLine *TPropertyEditor::FieldLine(const TFieldState &state)
{
    // By its caption: the columns may have moved in the new document. Renamed, a column is
    // found by its meaning for the chart, or as the column of the same type at the same place
    // whose caption is new.
    const auto find = [this, &state](const std::function<bool(const TLine &)> &match) -> TLine * {
        for (TLine &line : FLines)
            if (line.type == state.type && match(line))
                return &line;
        return nullptr;
    };
    const auto caption = [this](const TLine &line) { return FCore.GetColumnCaption(FBuiltTable, line.column); };
    if (TLine *line = find([&](const TLine &line) { return caption(line) == state.caption; }))
        return line;
    if (state.connection != cnNone)
        return find([&](const TLine &line) { return line.connection == state.connection; });
    return find([&](const TLine &line) {
        return line.column == state.column && line.connection == cnNone && !state.captions.contains(caption(line));
    });
}

void TPropertyEditor::ReturnFocus(const TFieldState &state)
{
    if (FEditorVisible && RestoreFieldState(state))
        return;
    if (state.caption.isEmpty())
        return;
    // A date typed for these rows that can neither be kept nor was written (it is written
    // when the user leaves for the other table) is not lost without a word.
    if (state.typed && state.table == FBuiltTable && !state.text.trimmed().isEmpty())
        TellNotWritten(state.caption, state.text);
    // The field's rows are gone: keys meant for them go to the table, not to the window.
    if (TBaseTreeGrid *grid = FCore.GetTable(FCore.GetActiveTable()))
        grid->setFocus(Qt::OtherFocusReason);
}
