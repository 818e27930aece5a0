#pragma once

// The toolbar's search over the active table, select all, and the rows of a chart row. A row
// matches when one of its cells contains the search text, upper and lower case alike.

#include <QString>

#include "core/DocumentTypes.h"

class TPlannerCore;

class TTableSearch
{
public:
    explicit TTableSearch(TPlannerCore &core);

    // Remembers the text and returns the first row of the active table that matches it.
    TNodeData *FindFirst(const QString &text);
    // The next matching row after `row` in table order (from the first row when nil), among
    // the rows the table shows; nil when there is none.
    TNodeData *FindNext(TNodeData *row) const;
    const QString &FindString() const { return FFindString; }
    bool Matches(const TNodeData *row) const;

    // The first row of the active table shown in chart row `row`, and the next one after `after`.
    TNodeData *FindFirstInRow(int row) const;
    TNodeData *FindNextInRow(int row, TNodeData *after) const;

    // Search as you type: the first match becomes the only selected row, focused and scrolled
    // into view; nothing is selected when nothing matches. Nothing moves while the selected
    // row is itself the first match.
    void Edit2Change(const QString &text);
    // "Find next": the next match after the row the user is at, from the top again at the
    // end. Among several selected rows only the focus moves.
    void ToolButton17Click();
    // Selects every row of the active table that no filter hides.
    void ActionSelectAllExecute();
    bool GetSelected(const TNodeData *row) const;

private:
    TNodeData *FirstSelected() const;
    void SelectOnly(TNodeData *row);
    void Focus(TNodeData *row);

    TPlannerCore &FCore;
    QString FFindString;
    bool FAsciiFindString = true;
};
