// Sorting of children: a stable top-down merge sort of each node's children.

#include "treegrid/BaseTreeGrid.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace {

// Merges two sorted runs of nodes into out; B's head is taken only when it strictly belongs
// before A's, so equal nodes keep their order in both directions.
template <class TakeB>
void MergeRuns(const PGridNode *a, const PGridNode *aEnd, const PGridNode *b, const PGridNode *bEnd, PGridNode *out,
               TakeB takeB)
{
    while (a != aEnd && b != bEnd)
        *out++ = takeB(*a, *b) ? *b++ : *a++;
    out = std::copy(a, aEnd, out);
    std::copy(b, bEnd, out);
}

// Sorts n nodes top-down: the first n div 2, then the next (n + 1) div 2, then the merge.
template <class TakeB>
void MergeSortRun(PGridNode *nodes, std::size_t n, PGridNode *scratch, TakeB takeB)
{
    if (n < 2)
        return;
    const std::size_t half = n / 2;
    MergeSortRun(nodes, half, scratch, takeB);
    MergeSortRun(nodes + half, n - half, scratch, takeB);
    // Two runs already in order need no merge.
    if (!takeB(nodes[half - 1], nodes[half]))
        return;
    std::copy(nodes, nodes + n, scratch);
    MergeRuns(scratch, scratch + half, scratch + half, scratch + n, nodes, takeB);
}

// Nodes already in order, or in the reverse order (a sort toggled), are put in order with one
// comparison per neighbour: the runs of equal nodes are put in reverse, each keeping its own
// order. `order(a, b)` > 0: b belongs before a. False (nodes untouched) for any other order.
template <class Order>
bool OrderMonotonic(std::vector<PGridNode> &nodes, Order order)
{
    bool inOrder = true;
    bool reversed = true;
    std::vector<std::size_t> runStarts{0};
    for (std::size_t i = 0; i + 1 < nodes.size(); ++i) {
        const int result = order(nodes[i], nodes[i + 1]);
        if (result > 0)
            inOrder = false;
        else if (result < 0)
            reversed = false;
        if (!inOrder && !reversed)
            return false;
        if (result != 0)
            runStarts.push_back(i + 1);
    }
    if (inOrder)
        return true;
    std::vector<PGridNode> ordered;
    ordered.reserve(nodes.size());
    for (std::size_t k = runStarts.size(); k-- > 0;) {
        const std::size_t end = k + 1 < runStarts.size() ? runStarts[k + 1] : nodes.size();
        ordered.insert(ordered.end(), nodes.begin() + std::ptrdiff_t(runStarts[k]), nodes.begin() + std::ptrdiff_t(end));
    }
    nodes.swap(ordered);
    return true;
}

} // namespace

int TBaseTreeGrid::DoCompare(PGridNode node1, PGridNode node2, TColumnIndex column)
{
    int result = 0;
    Raise(OnCompareNodes, node1, node2, column, result);
    return result;
}

bool TBaseTreeGrid::EndEditForSort(PGridNode node)
{
    // A pending edit start is dropped.
    if (FStates.contains(tsEditPending)) {
        FEditTimer.stop();
        DoStateChange({}, {tsEditPending});
    }
    if (!FStates.contains(tsEditing))
        return true;
    // A running edit ends first, else its editor would stay over a row that another node
    // takes; edits that the notifications open end as well. Their handlers may delete the
    // node to sort.
    return EndEditNode() && EndEditsBesides(nullptr) && !IsRemoved(node);
}

void TBaseTreeGrid::Sort(PGridNode node, TColumnIndex column, TSortDirection direction, bool doInit)
{
    if (IsRemoved(node))
        return;
    InterruptValidation();
    // An editor that refuses to end leaves the order as it is.
    if (!EndEditForSort(node))
        return;
    if (!node)
        node = FRoot;
    if (node->States.contains(vsHasChildren)) {
        if (doInit) {
            if (node->ChildCount == 0)
                InitChildren(node);
            ValidateChildren(node, false);
        }
        if (node->ChildCount > 1 && !IsRemoved(node))
            SortChildren(node, column, direction);
    }
    if (FUpdateCount == 0) {
        ValidateCache();
        Invalidate();
    }
}

void TBaseTreeGrid::SortChildren(PGridNode node, TColumnIndex column, TSortDirection direction)
{
    // The links stay as they are while the owner compares: its handlers may add, delete or
    // move children (or the node) meanwhile, and find a sound tree. The order found is then
    // given to the children still there; children added meanwhile follow in their order.
    std::vector<PGridNode> children;
    children.reserve(node->ChildCount);
    for (PGridNode run = node->FirstChild; run; run = run->NextSibling)
        children.push_back(run);
    const std::uint64_t rows = FRowsGeneration;
    const int sign = direction == sdAscending ? 1 : -1;
    const auto order = [this, column, sign](PGridNode a, PGridNode b) {
        const int result = DoCompare(a, b, column);
        return result > 0 ? sign : result < 0 ? -sign : 0;
    };
    if (!OrderMonotonic(children, order)) {
        std::vector<PGridNode> scratch(children.size());
        MergeSortRun(children.data(), children.size(), scratch.data(),
                     [&order](PGridNode a, PGridNode b) { return order(a, b) > 0; });
    }
    if (IsRemoved(node))
        return;
    if (FRowsGeneration != rows) {
        // The rows changed while the owner compared.
        const std::unordered_set<PGridNode> sorted(children.begin(), children.end());
        std::erase_if(children, [this, node](PGridNode child) { return IsRemoved(child) || child->Parent != node; });
        for (PGridNode run = node->FirstChild; run; run = run->NextSibling)
            if (!sorted.count(run))
                children.push_back(run);
        if (children.empty())
            return;
    }
    for (std::size_t i = 0; i + 1 < children.size(); ++i)
        children[i]->NextSibling = children[i + 1];
    children.back()->NextSibling = nullptr;
    RelinkChildren(node, children.front());
}

void TBaseTreeGrid::RelinkChildren(PGridNode node, PGridNode chain)
{
    // Repair the back links and indices in one pass.
    node->FirstChild = chain;
    PGridNode previous = nullptr;
    std::uint32_t index = 0;
    for (PGridNode run = chain; run; run = run->NextSibling) {
        run->PrevSibling = previous;
        run->Index = index++;
        previous = run;
    }
    node->LastChild = previous;
    ForgetStaleIndexes(node);
    InvalidateCache();
}

void TBaseTreeGrid::ReorderChildren(PGridNode node, const std::vector<PGridNode> &order)
{
    if (!node)
        node = FRoot;
    if (order.size() != node->ChildCount || order.empty() || FOptions->MiscOptions().contains(toReadOnly))
        return;
    // Every entry must be a child, none twice: a wrong list must not cut nodes off the tree.
    for (PGridNode child : order)
        if (!child || child->Parent != node)
            return;
    std::vector<PGridNode> sorted(order);
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
        return;
    InterruptValidation();
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        order[i]->NextSibling = order[i + 1];
    order.back()->NextSibling = nullptr;
    RelinkChildren(node, order.front());
    // The same children: only this node's flag is looked at again.
    NoteHiddenChildrenChange(node);
    StructureChange(node == FRoot ? nullptr : node, crNodeMoved);
    if (FUpdateCount == 0) {
        ValidateCache();
        Invalidate();
    }
}

void TBaseTreeGrid::SortTree(TColumnIndex column, TSortDirection direction, bool doInit)
{
    // Ended once for the whole pass; an editor that refuses to end leaves every order as it is.
    const bool sortable = column > InvalidColumn && EndEditForSort(nullptr);
    {
        const TUpdateCountHold hold(*this);
        if (sortable) {
            // Depth-first with an explicit stack: deep trees must not exhaust the call stack.
            // Nodes the handlers remove on the way are passed over.
            std::vector<PGridNode> pending{FRoot};
            std::vector<PGridNode> children;
            while (!pending.empty()) {
                const PGridNode node = pending.back();
                pending.pop_back();
                if (IsRemoved(node))
                    continue;
                Sort(node, column, direction, doInit);
                children.clear();
                for (PGridNode child = node->LastChild; child; child = child->PrevSibling)
                    children.push_back(child);
                for (PGridNode child : children) {
                    if (!child || IsRemoved(child))
                        continue;
                    if (doInit && !child->States.contains(vsInitialized))
                        InitNode(child);
                    // An initialising handler may have deleted it.
                    if (!IsRemoved(child) && child->States.contains(vsInitialized))
                        pending.push_back(child);
                }
            }
        }
        InvalidateCache();
    }
    if (FUpdateCount == 0) {
        ValidateCache();
        Invalidate();
    }
}
