// Sorting of children: a stable top-down merge sort over the sibling links.

#include "treegrid/BaseTreeGrid.h"

#include <unordered_set>

namespace {

// Merges two sorted chains; B's head is taken only when it strictly belongs before A's, so
// equal nodes keep their order in both directions.
template <class TakeB>
PGridNode MergeChains(PGridNode a, PGridNode b, TakeB takeB)
{
    PGridNode head = nullptr;
    PGridNode *tail = &head;
    while (a && b) {
        if (takeB(a, b)) {
            *tail = b;
            b = b->NextSibling;
        } else {
            *tail = a;
            a = a->NextSibling;
        }
        tail = &(*tail)->NextSibling;
    }
    *tail = a ? a : b;
    return head;
}

// Sorts the next n nodes of the chain starting at head; head moves past the nodes taken.
template <class TakeB>
PGridNode MergeSortChain(PGridNode &head, std::uint32_t n, TakeB takeB)
{
    if (n < 2) {
        PGridNode node = head;
        head = head->NextSibling;
        node->NextSibling = nullptr;
        return node;
    }
    PGridNode a = MergeSortChain(head, n / 2, takeB);
    PGridNode b = MergeSortChain(head, (n + 1) / 2, takeB);
    return MergeChains(a, b, takeB);
}

} // namespace

int TBaseTreeGrid::DoCompare(PGridNode node1, PGridNode node2, TColumnIndex column)
{
    int result = 0;
    if (OnCompareNodes)
        OnCompareNodes(this, node1, node2, column, result);
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
    const TNodeWatch watch(*this, node);
    return EndEditNode() && EndEditsBesides(nullptr) && watch.Alive();
}

void TBaseTreeGrid::Sort(PGridNode node, TColumnIndex column, TSortDirection direction, bool doInit)
{
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
        if (node->ChildCount > 1) {
            // Comparisons may read positions while the links are rewritten: settle them first.
            if (node->StaleChildIndexes)
                RenumberTo(node->LastChild);
            PGridNode chain = node->FirstChild;
            PGridNode sorted;
            if (direction == sdAscending)
                sorted = MergeSortChain(chain, node->ChildCount, [this, column](PGridNode a, PGridNode b) {
                    return DoCompare(a, b, column) > 0;
                });
            else
                sorted = MergeSortChain(chain, node->ChildCount, [this, column](PGridNode a, PGridNode b) {
                    return DoCompare(a, b, column) < 0;
                });
            RelinkChildren(node, sorted);
        }
    }
    if (FUpdateCount == 0) {
        ValidateCache();
        Invalidate();
    }
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
    std::unordered_set<PGridNode> seen;
    seen.reserve(order.size());
    for (PGridNode child : order)
        if (!child || child->Parent != node || !seen.insert(child).second)
            return;
    InterruptValidation();
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        order[i]->NextSibling = order[i + 1];
    order.back()->NextSibling = nullptr;
    RelinkChildren(node, order.front());
    DoStateChange({tsUpdateHiddenChildrenNeeded});
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
    ++FUpdateCount;
    if (sortable) {
        // Depth-first with an explicit stack: deep trees must not exhaust the call stack.
        std::vector<PGridNode> pending{FRoot};
        while (!pending.empty()) {
            const PGridNode node = pending.back();
            pending.pop_back();
            Sort(node, column, direction, doInit);
            for (PGridNode child = node->LastChild; child; child = child->PrevSibling) {
                if (doInit && !child->States.contains(vsInitialized))
                    InitNode(child);
                if (child->States.contains(vsInitialized))
                    pending.push_back(child);
            }
        }
    }
    InvalidateCache();
    --FUpdateCount;
    if (FUpdateCount == 0) {
        ValidateCache();
        Invalidate();
    }
}
