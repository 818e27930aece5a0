// A date typed into an editor field: written into its rows when the user confirms it or leaves
// the field inside the program; a text that is no date stays, marked, for the user to mend.
// Wherever else the field would lose it (its rows leave the editor, the editor hides, its lines
// are built anew, a window closes) it is written into its rows or named to the user: never is
// it dropped without a word.

#include "editor/PropertyEditor.h"

#include <QApplication>
#include <QLineEdit>

#include <algorithm>

#include "DateFormat.h"
#include "Language.h"
#include "core/MessageQueue.h"
#include "core/PlannerCore.h"
#include "dialogs/RefusalMark.h"

namespace {

bool IsDate(const QString &text)
{
    TDateTime value = 0;
    return TryStrToDateTime(text.trimmed(), value);
}

} // namespace

void TPropertyEditor::DateEditExit(int column)
{
    TLine *line = LineOf(column);
    if (!line || !line->typed || line->type != ctDate)
        return;
    auto *edit = qobject_cast<QLineEdit *>(line->edit);
    if (!edit || edit->isReadOnly()) {
        line->typed = false;
        return;
    }
    // No cell becomes day zero: the text stays, marked, as the dialogs' date fields keep it.
    const QString text = edit->text().trimmed();
    if (!text.isEmpty() && !IsDate(text)) {
        Refuse(*line);
        return;
    }
    WriteTypedDate(*line, RowsOf(FBuiltTable), false);
}

bool TPropertyEditor::WriteTypedDate(TLine &line, const std::vector<TNodeData *> &rows, bool now)
{
    auto *edit = qobject_cast<QLineEdit *>(line.edit);
    line.typed = false;
    Unrefuse(line);
    if (!edit)
        return false;
    const QString typed = edit->text();
    QString text = typed.trimmed();
    TDateTime value = 0;
    if ((!text.isEmpty() && !TryStrToDateTime(text, value)) || rows.empty()) {
        if (!text.isEmpty())
            TellNotWritten(FCore.GetColumnCaption(FBuiltTable, line.column), typed, now);
        ShowCellValue(line);
        return false;
    }
    if (!text.isEmpty())
        text = FCore.FormatDateTime(value);
    edit->setText(text);
    WriteRows(line, text, rows.size() >= 2 && !text.isEmpty(), rows);
    return true;
}

std::vector<TNodeData *> TPropertyEditor::TypedForRows() const
{
    // The rows the fields showed when the date was typed, those still there: the selected ones
    // in table order, then those no longer selected.
    std::vector<TNodeData *> rows;
    QSet<QString> left = ShownRows();
    for (TNodeData *node : RowsOf(FBuiltTable))
        if (node->NodeTable == FBuiltTable && left.remove(node->ID.Value()))
            rows.push_back(node);
    for (const QString &id : std::as_const(left))
        if (TNodeData *node = FCore.FindNode(id, FBuiltTable))
            rows.push_back(node);
    return rows;
}

bool TPropertyEditor::SettleTypedDates(bool now)
{
    // The rows are looked up only when there is something to settle: this runs at every
    // refill for other rows.
    return AnyTyped() && SettleTypedDatesFor(TypedForRows(), now);
}

bool TPropertyEditor::AnyTyped() const
{
    return std::any_of(FLines.begin(), FLines.end(), [](const TLine &line) { return line.typed; });
}

bool TPropertyEditor::SettleTypedDatesFor(const std::vector<TNodeData *> &rows, bool now)
{
    bool wrote = false;
    {
        // The fields are refilled once, when every date is written.
        const TWritingScope writing(FWriting);
        for (TLine &line : FLines)
            if (line.typed && line.type == ctDate)
                wrote = WriteTypedDate(line, rows, now) || wrote;
    }
    RequestRefill();
    return wrote;
}

void TPropertyEditor::ApplyTypedDate()
{
    for (const TLine &line : FLines)
        if (line.typed && line.type == ctDate)
            DateEditExit(line.column);
}

bool TPropertyEditor::DateTyped() const
{
    return std::any_of(FLines.begin(), FLines.end(), [this](const TLine &line) {
        return line.typed && line.type == ctDate && !Refused(line);
    });
}

bool TPropertyEditor::LeavesField(Qt::FocusReason reason) const
{
    switch (reason) {
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
        return false;
    case Qt::ActiveWindowFocusReason:
        // The user went on in the program's other window; another program or a dialog
        // leaves the field as it is.
        return IsProgramWindow(QApplication::activeWindow());
    default:
        return true;
    }
}

void TPropertyEditor::TellNotWritten(const QString &caption, const QString &text, bool now)
{
    const QString message =
        IsDate(text)
            ? Translate(QStringLiteral("The date \"%s\" typed into \"%s\" was not written: the rows or the column it "
                                       "was typed for changed meanwhile."),
                        {text, caption.trimmed()})
            : Translate(QStringLiteral("The text \"%s\" typed into \"%s\" was not written: it is not a date."),
                        {text, caption.trimmed()});
    if (now) {
        FCore.Window().Ask(message, mtWarning, {mbOK});
        return;
    }
    // Not inside the reload or the event that dropped it.
    FCore.Messages().Post(message, mtWarning);
}

// ---- the mark of a text that is no date

void TPropertyEditor::Refuse(TLine &line)
{
    auto *edit = qobject_cast<QLineEdit *>(line.edit);
    if (!edit)
        return;
    if (!line.mark)
        line.mark = new TRefusalMark(edit, true);
    line.mark->Show(TRefusalMark::NoDate(edit->text()));
}

void TPropertyEditor::Unrefuse(TLine &line)
{
    if (!Refused(line))
        return;
    line.mark->Clear();
    // The colour of the rows' agreement, which may have changed meanwhile.
    SetFieldColor(line, line.agreed);
}

bool TPropertyEditor::Refused(const TLine &line) const
{
    return line.mark && line.mark->Shown();
}
