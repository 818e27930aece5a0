#include "table/TableSearch.h"

#include <algorithm>
#include <optional>

#include "core/PlannerCore.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

char16_t UpperAscii(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

// Whether the upper case of `cell` contains `upper` (the upper-cased search text, ASCII only).
// A cell with other characters returns nullopt: its upper case may differ in length.
std::optional<bool> AsciiContains(QStringView cell, QStringView upper)
{
    const qsizetype n = cell.size();
    const qsizetype m = upper.size();
    const char16_t *text = cell.utf16();
    const char16_t *pattern = upper.utf16();
    // One branch-free pass first: other characters, and whether the first letter occurs at all.
    const char16_t first = m > 0 ? pattern[0] : 0;
    const bool letter = first >= u'A' && first <= u'Z';
    const char16_t mask = letter ? 0x20 : 0;
    const char16_t wanted = char16_t(first | mask);
    // Plain integer accumulators, so that the compiler can run the loop on vectors.
    char16_t bits = 0;
    char16_t seen = 0;
    for (qsizetype i = 0; i < n; ++i) {
        bits |= text[i];
        seen |= char16_t(char16_t(text[i] | mask) == wanted);
    }
    if (bits >= 0x80)
        return std::nullopt;
    if (m == 0)
        return true;
    if (!seen)
        return false;
    for (qsizetype i = 0; i + m <= n; ++i) {
        qsizetype j = 0;
        while (j < m && UpperAscii(text[i + j]) == pattern[j])
            ++j;
        if (j == m)
            return true;
    }
    return false;
}

bool IsAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

TTableSearch::TTableSearch(TPlannerCore &core)
    : FCore(core)
{
}

bool TTableSearch::Matches(const TNodeData *row) const
{
    if (!row)
        return false;
    for (const QString &cell : row->StringList) {
        if (FAsciiFindString) {
            const std::optional<bool> found = AsciiContains(cell, FFindString);
            if (found.has_value()) {
                if (*found)
                    return true;
                continue;
            }
        }
        if (cell.toUpper().contains(FFindString))
            return true;
    }
    return false;
}

TNodeData *TTableSearch::FindFirst(const QString &text)
{
    FFindString = text.toUpper();
    FAsciiFindString = IsAscii(FFindString);
    return FindNext(nullptr);
}

TNodeData *TTableSearch::FindNext(TNodeData *row) const
{
    TBaseTreeGrid *grid = FCore.GetTable(FCore.GetActiveTable());
    if (!grid)
        return nullptr;
    // Rows the group tab or a filter hides are not there for the user: the walk passes them by.
    TGridNode *node = row && row->VNodeTable == grid ? grid->GetNextVisible(row->VNode) : grid->GetFirstVisible();
    for (; node; node = grid->GetNextVisible(node)) {
        TNodeData *data = TPlannerCore::NodeData(grid, node);
        if (Matches(data))
            return data;
    }
    return nullptr;
}

TNodeData *TTableSearch::FindFirstInRow(int row) const
{
    return FindNextInRow(row, nullptr);
}

TNodeData *TTableSearch::FindNextInRow(int row, TNodeData *after) const
{
    TBaseTreeGrid *grid = FCore.GetTable(FCore.GetActiveTable());
    if (!grid)
        return nullptr;
    TGridNode *node = after && after->VNodeTable == grid ? grid->GetNext(after->VNode) : grid->GetFirst();
    for (; node; node = grid->GetNext(node)) {
        TNodeData *data = TPlannerCore::NodeData(grid, node);
        if (FCore.GetPositionOf(data) == row)
            return data;
    }
    return nullptr;
}

TNodeData *TTableSearch::FirstSelected() const
{
    TBaseTreeGrid *grid = FCore.GetTable(FCore.GetActiveTable());
    return grid ? TPlannerCore::NodeData(grid, grid->GetFirstSelected()) : nullptr;
}

void TTableSearch::Focus(TNodeData *row)
{
    TBaseTreeGrid *grid = row->VNodeTable;
    grid->SetFocusedNode(row->VNode);
    grid->ScrollIntoView(row->VNode, false);
}

void TTableSearch::SelectOnly(TNodeData *row)
{
    TBaseTreeGrid *grid = row->VNodeTable;
    grid->ClearSelection();
    grid->SetSelected(row->VNode, true);
    Focus(row);
}

void TTableSearch::Edit2Change(const QString &text)
{
    TNodeData *current = FirstSelected();
    TNodeData *found = FindFirst(text);
    if (found == current)
        return;
    if (TBaseTreeGrid *grid = FCore.GetTable(FCore.GetActiveTable()))
        grid->ClearSelection();
    if (found)
        SelectOnly(found);
}

void TTableSearch::ToolButton17Click()
{
    TBaseTreeGrid *grid = FCore.GetTable(FCore.GetActiveTable());
    if (!grid)
        return;
    // From the focused row when it is one of the selected rows, so that pressing again among
    // several selected matches moves on instead of finding the same row.
    TNodeData *from = FirstSelected();
    if (TGridNode *focused = grid->FocusedNode(); focused && grid->Selected(focused))
        from = TPlannerCore::NodeData(grid, focused);
    TNodeData *next = FindNext(from);
    if (!next)
        next = FindNext(nullptr);
    if (!next)
        return;
    if (GetSelected(next) && grid->SelectedCount() > 1)
        Focus(next);
    else
        SelectOnly(next);
}

void TTableSearch::ActionSelectAllExecute()
{
    if (TBaseTreeGrid *grid = FCore.GetTable(FCore.GetActiveTable()))
        grid->SelectAll(true);
}

bool TTableSearch::GetSelected(const TNodeData *row) const
{
    return row && row->VNodeTable && row->VNodeTable->Selected(row->VNode);
}
