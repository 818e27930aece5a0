// The overlap list and "Solve Interleaving": tasks of a row moved later until they follow
// each other.

#include "table/OverlapSolver.h"

#include <algorithm>
#include <exception>
#include <map>

#include "Log.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

struct TDatedTask
{
    TDateTime start;
    TDateTime end;
    int row;
    int order;
    TNodeData *node;
};

} // namespace

TOverlapSolver::TRunScope::TRunScope(TOverlapSolver &solver)
    : FSolver(solver), FAction(solver.FCore)
{
    FSolver.FSolving = true;
    FSolver.FLastRunPasses = 0;
    FSolver.FRunGroup = FAction.Group();
}

TOverlapSolver::TRunScope::~TRunScope()
{
    FSolver.FSolving = false;
}

TOverlapSolver::TOverlapSolver(TPlannerCore &core, QObject *parent)
    : QObject(parent), FCore(core)
{
    setObjectName(QStringLiteral("OverlapSolver"));
    FCore.OnUpdateOverlappingProc = [this] { UpdateOverlappingProc(); };
    FCore.OnNodeIsOverlapping = [this](const TNodeData *node) { return FOverlappingNodes.Contains(node); };
    FCore.OnAnyOverlapping = [this] { return !FOverlappingNodes.IsEmpty(); };
    FCore.OnOverlapRowFreed = [this](TNodeData *node) { ForgetRow(node); };
    FCore.OnTaskPlaceChanged = [this](int position) { FChangedPositions.insert(position); };
    FCore.OnInitialDeOverlap = [this] { ActionSolveOverlappingExecute(); };
}

TOverlapSolver::~TOverlapSolver()
{
    FCore.OnUpdateOverlappingProc = nullptr;
    FCore.OnNodeIsOverlapping = nullptr;
    FCore.OnAnyOverlapping = nullptr;
    FCore.OnOverlapRowFreed = nullptr;
    FCore.OnTaskPlaceChanged = nullptr;
    FCore.OnInitialDeOverlap = nullptr;
}

void TOverlapSolver::ForgetRow(TNodeData *node)
{
    if (!node) {
        FOverlappingNodes.Clear();
        FIgnoreOverlappingNodes.Clear();
        FPositionOverlaps.clear();
        FListedAt.clear();
        FAllChanged = true;
        return;
    }
    FOverlappingNodes.Remove(node);
    FIgnoreOverlappingNodes.Remove(node);
    if (node->NodeTable == tbTable && node->nodeValid)
        FChangedPositions.insert(node->nodePosition);
    const auto listed = FListedAt.find(node);
    if (listed != FListedAt.end()) {
        // Found again with its position; until then it must not be named.
        FChangedPositions.insert(listed->second);
        std::erase(FPositionOverlaps[listed->second], node);
        FListedAt.erase(listed);
    }
}

TDateTime TOverlapSolver::Gap() const
{
    return FCore.GetMinUnit() == muMinute ? 0.0 : 1.0;
}

bool TOverlapSolver::ActionSplitUpdate() const
{
    return FCore.SelectedCount(FCore.GetActiveTable()) == 1 && FOverlappingNodes.IsEmpty();
}

// ---- the overlap list

void TOverlapSolver::FindOverlaps(int position, std::vector<TNodeData *> &listed) const
{
    std::vector<TDatedTask> items;
    for (TNodeData *node : FCore.RowsByPosition().Rows(tbTable, position))
        if (node->nodeValid && node->VNode)
            items.push_back({node->nodeStart, node->nodeEnd, position, 0, node});
    if (items.size() < 2)
        return;
    // By start, then end, then table order.
    std::sort(items.begin(), items.end(), [](const TDatedTask &a, const TDatedTask &b) {
        if (a.start != b.start)
            return a.start < b.start;
        if (a.end != b.end)
            return a.end < b.end;
        return std::uint32_t(a.node->VNode->Index) < std::uint32_t(b.node->VNode->Index);
    });
    const TDateTime gap = Gap();
    const auto list = [&listed](TNodeData *node) {
        if (std::find(listed.begin(), listed.end(), node) == listed.end())
            listed.push_back(node);
    };
    const TDatedTask *i = &items.front();
    for (std::size_t next = 1; next < items.size(); ++next) {
        const TDatedTask *j = &items[next];
        // The task reaching furthest stays the one later tasks are measured against.
        if (i->end + gap > j->start) {
            list(i->node);
            list(j->node);
            if (i->end < j->end)
                i = j;
        } else {
            i = j;
        }
    }
}

void TOverlapSolver::UpdatePositions()
{
    // Another unit measures every row by another gap.
    if (Gap() != FFoundWithGap) {
        FFoundWithGap = Gap();
        FAllChanged = true;
    }
    std::vector<int> positions;
    if (FAllChanged) {
        FPositionOverlaps.clear();
        FListedAt.clear();
        for (const auto &[position, rows] : FCore.RowsByPosition().Positions(tbTable))
            positions.push_back(position);
    } else {
        positions.assign(FChangedPositions.begin(), FChangedPositions.end());
    }
    FAllChanged = false;
    FChangedPositions.clear();
    for (int position : positions) {
        if (const auto old = FPositionOverlaps.find(position); old != FPositionOverlaps.end()) {
            for (const TNodeData *node : old->second)
                FListedAt.erase(node);
            FPositionOverlaps.erase(old);
        }
        if (position < 0)
            continue;
        std::vector<TNodeData *> listed;
        FindOverlaps(position, listed);
        if (listed.empty())
            continue;
        for (const TNodeData *node : listed)
            FListedAt[node] = position;
        FPositionOverlaps.emplace(position, std::move(listed));
    }
}

void TOverlapSolver::UpdateOverlappingProc()
{
    if (FCore.IsUpdating())
        return;
    UpdatePositions();

    // The positions the current group shows as chart rows, from the last row to the first.
    const std::vector<qint32> &rows = FCore.PositionInPositionGroup();
    std::vector<std::pair<int, const std::vector<TNodeData *> *>> shown;
    for (const auto &[position, listed] : FPositionOverlaps)
        if (position >= 0 && std::size_t(position) < rows.size() && rows[std::size_t(position)] >= 0)
            shown.emplace_back(rows[std::size_t(position)], &listed);
    std::sort(shown.begin(), shown.end(), [](const auto &a, const auto &b) { return a.first > b.first; });

    TOverlapList previous;
    previous.Swap(FOverlappingNodes);
    FOverlappingNodes.Reserve(previous.Count());
    for (const auto &[row, listed] : shown)
        for (TNodeData *node : *listed)
            if (!FIgnoreOverlappingNodes.Contains(node))
                FOverlappingNodes.Add(node);

    RepaintChanged(previous);
    if (previous.IsEmpty() != FOverlappingNodes.IsEmpty())
        emit OverlappingChanged();
    if (FAutoArrange && !FSolving)
        ActionSolveOverlappingExecute();
}

void TOverlapSolver::RepaintChanged(const TOverlapList &previous)
{
    if (previous.IsEmpty() != FOverlappingNodes.IsEmpty()) {
        // Every bar changes its colour: marked tasks red, all others grey, or back.
        FCore.ForEach(tbTable, feAll, [](TNodeData *node) { node->RecalcBitmap = true; });
        RepaintAll();
        return;
    }
    // Only the tasks that joined or left the list look different now.
    std::vector<TNodeData *> changed;
    for (TNodeData *node : previous.Items())
        if (!FOverlappingNodes.Contains(node))
            changed.push_back(node);
    for (TNodeData *node : FOverlappingNodes.Items())
        if (!previous.Contains(node))
            changed.push_back(node);
    for (TNodeData *node : changed)
        node->RecalcBitmap = true;
    // Many single repaints cost more than one of the whole table and chart.
    if (changed.size() > 1000) {
        RepaintAll();
        return;
    }
    for (TNodeData *node : changed)
        FCore.InvalidateNode(node);
}

void TOverlapSolver::RepaintAll()
{
    if (FCore.IsUpdating())
        return;
    if (TBaseTreeGrid *grid = FCore.GetTable(tbTable))
        grid->Invalidate();
    FCore.InvalidateTimeChart(false);
}

TNodeData *TOverlapSolver::EarliestListed() const
{
    TNodeData *first = nullptr;
    for (TNodeData *node : FOverlappingNodes.Items())
        if (!first || FCore.GetStartOf(node) < FCore.GetStartOf(first))
            first = node;
    return first;
}

// ---- "Solve Interleaving"

void TOverlapSolver::ActionSolveOverlappingExecute()
{
    // A run never starts a second one from within (the recomputation it asks for would,
    // with AutoArrange), and nothing moves inside an update bracket, where the rows' caches
    // do not follow their cells.
    if (FSolving || FCore.IsUpdating())
        return;
    TRunScope run(*this);
    // Each pass settles every row it finds overlapping; more passes than tasks can only
    // mean that moves do not take.
    const int limit = std::max(1, FCore.GetTableRowCount(tbTable));
    while (!FOverlappingNodes.IsEmpty() && FLastRunPasses < limit) {
        ++FLastRunPasses;
        bool failed = false;
        const bool moved = SolvePass(failed);
        FCore.UpdateOverlapping(false);
        if (!moved || failed)
            break;
    }
}

bool TOverlapSolver::SolvePass(bool &failed)
{
    // Rows are independent: the earliest listed task of each row heads that row's chain.
    std::map<int, TNodeData *> heads;
    for (TNodeData *node : FOverlappingNodes.Items()) {
        if (!node->nodeValid)
            continue;
        const int row = FCore.GetPositionOf(node);
        if (row < 0)
            continue;
        TNodeData *&head = heads[row];
        if (!head || FCore.GetStartOf(node) < FCore.GetStartOf(head))
            head = node;
    }
    if (heads.empty())
        return false;
    std::map<int, std::vector<TNodeData *>> chains;
    for (const auto &[row, head] : heads)
        chains[row].push_back(head);
    // Only valid tasks join a chain: an invalid task has no end to follow.
    FCore.ForEach(tbTable, feAll, [&](TNodeData *node) {
        if (!node->nodeValid)
            return;
        const auto head = heads.find(FCore.GetPositionOf(node));
        if (head != heads.end() && node != head->second && FCore.GetStartOf(node) >= FCore.GetStartOf(head->second))
            chains[head->first].push_back(node);
    });
    // Earliest head first, so that the moves happen in the order of their starts.
    std::vector<std::vector<TNodeData *> *> ordered;
    for (auto &[row, chain] : chains) {
        std::stable_sort(chain.begin() + 1, chain.end(), [this](const TNodeData *a, const TNodeData *b) {
            return FCore.GetStartOf(a) < FCore.GetStartOf(b);
        });
        ordered.push_back(&chain);
    }
    std::stable_sort(ordered.begin(), ordered.end(), [this](const auto *a, const auto *b) {
        return FCore.GetStartOf(a->front()) < FCore.GetStartOf(b->front());
    });
    bool moved = false;
    for (const std::vector<TNodeData *> *chain : ordered) {
        moved = MoveChain(*chain, failed) || moved;
        if (failed)
            break;
    }
    return moved;
}

bool TOverlapSolver::MoveChain(const std::vector<TNodeData *> &chain, bool &failed)
{
    const int startColumn = FCore.GetConnection(tbTable, cnStart);
    const TDateTime gap = Gap();
    const TDateTime now = Now();
    bool moved = false;
    for (std::size_t k = 1; k < chain.size(); ++k) {
        TNodeData *previous = chain[k - 1];
        // The end after the previous task moved; a task whose end cannot be had stops the
        // chain instead of sending the next one to day zero.
        const TDateTime previousEnd = FCore.GetEndOf(previous);
        if (!previous->nodeValid || previousEnd == 0)
            break;
        TNodeData *node = chain[k];
        const TDateTime follow = previousEnd + gap;
        const TDateTime start = FCore.GetStartOf(node);
        if (!((FAutoArrange && start > now) || follow > start))
            continue;
        const QString before = FCore.GetData(node, startColumn);
        try {
            FCore.SetStartOf(node, follow);
        } catch (const std::exception &e) {
            Log(QStringLiteral("Solve Interleaving: ") + QString::fromStdString(e.what()));
            failed = true;
            return moved;
        }
        moved = moved || FCore.GetData(node, startColumn) != before;
    }
    return moved;
}
