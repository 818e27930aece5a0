#include "core/ViewRefresh.h"

#include "core/PlannerCore.h"
#include "treegrid/BaseTreeGrid.h"

TViewRefresh::TViewRefresh(TPlannerCore &core) : FCore(core) {}

bool TViewRefresh::Defer(TView view)
{
    if (!Holding())
        return false;
    FViews |= view;
    return true;
}

void TViewRefresh::Row(TNodeData &node, bool bar)
{
    if (!node.VNode || !node.VNodeTable)
        return;
    if (bar)
        FCore.Window().InvalidateRow(node);
    if (!Holding()) {
        node.VNodeTable->InvalidateNode(node.VNode);
        return;
    }
    if (FWholeTable[node.NodeTable])
        return;
    FRows.insert(&node);
    if (FRows.size() > ManyRows) {
        for (const TNodeData *row : FRows)
            FWholeTable[row->NodeTable] = true;
        FRows.clear();
    }
}

void TViewRefresh::Forget(const TNodeData *node)
{
    if (!FRows.empty())
        FRows.erase(const_cast<TNodeData *>(node));
}

void TViewRefresh::Release()
{
    if (FDepth <= 0 || --FDepth > 0)
        return;
    // What a refresh asks for meanwhile (the editor's own writes) is done at once.
    Flush();
}

void TViewRefresh::Flush()
{
    const unsigned views = FViews;
    FViews = 0;
    const auto rows = std::move(FRows);
    FRows.clear();
    const auto whole = FWholeTable;
    FWholeTable.fill(false);

    IPlannerWindow &window = FCore.Window();
    for (TWhichTable table : {tbTable, tbExclude})
        if (whole[table])
            if (TBaseTreeGrid *grid = FCore.GetTable(table))
                grid->Invalidate();
    for (TNodeData *node : rows)
        if (!whole[node->NodeTable] && node->VNode && node->VNodeTable)
            node->VNodeTable->InvalidateNode(node->VNode);
    if (views & vwFlash)
        window.FlashSelectedBars();
    if (views & vwStatusBar)
        FCore.UpdateStatusBar();
    if (views & vwEditor)
        window.UpdateEditor();
}
