#include "table/SelectionTracker.h"

#include <algorithm>
#include <unordered_set>

#include "core/PlannerCore.h"
#include "core/ViewRefresh.h"
#include "treegrid/BaseTreeGrid.h"

TSelectionTracker::TSelectionTracker(TPlannerCore &core, QObject *parent)
    : QObject(parent)
    , FCore(core)
{
    FTimer.setSingleShot(true);
    FTimer.setInterval(0);
    connect(&FTimer, &QTimer::timeout, this, &TSelectionTracker::Flush);
}

void TSelectionTracker::Change(TWhichTable table, TNodeData *node, bool fromTable)
{
    TPending &pending = FPending[table];
    pending.pending = true;
    if (node) {
        pending.node = node;
        pending.fromTable = fromTable;
    }
    FTimer.start();
}

void TSelectionTracker::Flush()
{
    FTimer.stop();
    for (TWhichTable table : {tbTable, tbExclude})
        if (FPending[table].pending)
            Answer(table);
}

void TSelectionTracker::FlushQuietly()
{
    FQuiet = true;
    Flush();
    FQuiet = false;
}

void TSelectionTracker::ForgetNode(const TNodeData *node)
{
    // A selected row deleted inside a grid's update bracket leaves its selection without a
    // change report: the selection is answered anew all the same (the editor hides when
    // nothing is left).
    if (node->VNode && node->VNodeTable && node->VNodeTable->Selected(node->VNode)) {
        FPending[node->NodeTable].pending = true;
        if (!FTimer.isActive())
            FTimer.start();
    }
    for (const auto &list : FSelectedList)
        if (!list.empty()) {
            FForgotten.insert(node);
            break;
        }
    for (TPending &pending : FPending)
        if (pending.node == node)
            pending.node = nullptr;
}

void TSelectionTracker::PurgeForgotten() const
{
    if (FForgotten.empty())
        return;
    for (auto &list : FSelectedList)
        std::erase_if(list, [this](const TNodeData *node) { return FForgotten.count(node) != 0; });
    FForgotten.clear();
}

void TSelectionTracker::Answer(TWhichTable table)
{
    // Before new rows join: a freed row's address may come back for one of them.
    PurgeForgotten();
    const TPending pending = FPending[table];
    FPending[table] = TPending();
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (!grid)
        return;
    // Every bar whose selection changed is drawn again, in one refresh.
    const TViewRefresh::THeld held(FCore.Views());

    // The rows selected now: those already listed keep their place, new ones follow. Only
    // the smaller of the two lists is looked up in a set, so that selecting or clearing many
    // rows costs a pass over them and no more.
    std::vector<TNodeData *> &list = FSelectedList[table];
    std::vector<TNodeData *> added;
    for (TGridNode *node : grid->GetSortedSelection(false))
        if (TNodeData *data = TPlannerCore::NodeData(grid, node))
            added.push_back(data);
    const auto stillSelected = [grid](const TNodeData *data) {
        return data->VNodeTable == grid && data->VNode && grid->Selected(data->VNode);
    };
    std::vector<TNodeData *> now;
    now.reserve(added.size());
    std::vector<TNodeData *> began;
    if (list.size() <= added.size()) {
        const std::unordered_set<TNodeData *> listed(list.begin(), list.end());
        for (TNodeData *data : list)
            if (stillSelected(data))
                now.push_back(data);
        for (TNodeData *data : added)
            if (!listed.count(data)) {
                now.push_back(data);
                began.push_back(data);
            }
    } else {
        std::unordered_set<TNodeData *> fresh(added.begin(), added.end());
        for (TNodeData *data : list)
            if (fresh.erase(data))
                now.push_back(data);
        for (TNodeData *data : added)
            if (fresh.count(data)) {
                now.push_back(data);
                began.push_back(data);
            }
    }

    // Bars whose selection began, ended or goes on are drawn anew (the frame and the flash).
    for (const std::vector<TNodeData *> *rows : {&list, &began})
        for (TNodeData *data : *rows) {
            data->RecalcBitmap = true;
            FCore.InvalidateNode(data);
        }
    list = std::move(now);

    IPlannerWindow &window = FCore.Window();
    if (!FQuiet) {
        window.FlashSelectedBars();
        if (pending.node && pending.fromTable)
            window.CenterNode(*pending.node);
    }
    // The editor shows the active table's rows: a change in the other table leaves it be.
    if (table == FCore.GetActiveTable()) {
        window.SeteditorVisible(!list.empty());
        window.UpdateEditor();
    }
}
