#include "treegrid/BaseTreeGrid.h"

#include "CanvasTypes.h"

// Iterators, visibility and expansion.
//
// Visible rows: a node is a row when it is effectively visible and every ancestor below the
// root is expanded and effectively visible (IsRowVisible). VisibleCount, the visible walks and
// the total heights all follow this one rule, so a hidden node hides its whole subtree.

// ---- predicates

bool TBaseTreeGrid::IsEffectivelyHidden(PGridNode node) const
{
    return node && node->States.contains(vsHidden)
           && !FOptions->PaintOptions().contains(toShowHiddenNodes);
}

bool TBaseTreeGrid::IsEffectivelyVisible(PGridNode node) const
{
    return node && node->States.contains(vsVisible) && !IsEffectivelyHidden(node);
}

bool TBaseTreeGrid::ShowsNode(PGridNode node, bool includeHidden) const
{
    return node->States.contains(vsVisible) && (includeHidden || !IsEffectivelyHidden(node));
}

bool TBaseTreeGrid::IsRowVisible(PGridNode node) const
{
    if (node == FRoot)
        return true;
    // A removed node keeps no state: it is not visible.
    if (!IsEffectivelyVisible(node))
        return false;
    for (PGridNode run = node->Parent; run && run != FRoot; run = run->Parent)
        if (!run->States.contains(vsExpanded) || !IsEffectivelyVisible(run))
            return false;
    return true;
}

bool TBaseTreeGrid::GetVisiblePath(PGridNode node) const
{
    TGAssert(node && node != FRoot, "Invalid parameters.");
    for (PGridNode run = node->Parent; run && run != FRoot; run = run->Parent)
        if (!run->States.contains(vsExpanded) || !run->States.contains(vsVisible))
            return false;
    return true;
}

bool TBaseTreeGrid::FullyVisible(PGridNode node) const
{
    TGAssert(node != nullptr, "Invalid parameter.");
    if (!node->States.contains(vsVisible))
        return false;
    return node == FRoot || GetVisiblePath(node);
}

bool TBaseTreeGrid::Expanded(PGridNode node) const
{
    return node && node->States.contains(vsExpanded);
}

std::uint32_t TBaseTreeGrid::GetNodeLevel(PGridNode node) const
{
    std::uint32_t level = 0;
    if (!node || node == FRoot)
        return 0;
    for (PGridNode run = node->Parent; run && run != FRoot; run = run->Parent)
        ++level;
    return level;
}

bool TBaseTreeGrid::HasAsParent(PGridNode node, PGridNode potentialParent) const
{
    if (!node || !potentialParent || node == potentialParent || node == FRoot)
        return false;
    for (PGridNode run = node->Parent; run; run = (run == FRoot ? nullptr : run->Parent))
        if (run == potentialParent)
            return true;
    return false;
}

int TBaseTreeGrid::CountLevelDifference(PGridNode node1, PGridNode node2) const
{
    TGAssert(node1 && node2, "Both nodes must be Assigned.");
    return int(GetNodeLevel(node2)) - int(GetNodeLevel(node1));
}

std::uint32_t TBaseTreeGrid::CountVisibleChildren(PGridNode node) const
{
    if (!node || !node->States.contains(vsExpanded))
        return 0;
    std::uint32_t count = 0;
    for (PGridNode child = node->FirstChild; child; child = child->NextSibling)
        if (IsEffectivelyVisible(child))
            count += 1 + CountVisibleChildren(child);
    return count;
}

bool TBaseTreeGrid::ChildrenAbove(bool considerChildrenAbove) const
{
    return considerChildrenAbove && FOptions->PaintOptions().contains(toChildrenAbove);
}

// ---- all nodes

namespace {

// The node a walk gives, initialised. The handlers told on the way may remove it (or the
// nodes it was reached through): the walk is then taken again over what is left, and gives
// nothing once the node it starts from is gone.
template <class Walk>
PGridNode initialisedStep(TBaseTreeGrid &tree, PGridNode from, Walk walk)
{
    const std::uint64_t rounds = std::uint64_t(tree.RootNode()->TotalCount) + 2;
    for (std::uint64_t round = 0; round < rounds && !tree.IsRemoved(from); ++round) {
        const PGridNode result = walk();
        if (result && !tree.IsRemoved(result) && !result->States.contains(vsInitialized))
            tree.InitNode(result);
        if (!tree.IsRemoved(result))
            return result;
    }
    return nullptr;
}

} // namespace

PGridNode TBaseTreeGrid::NextSkippingSubtree(PGridNode node) const
{
    for (PGridNode run = node; run && run != FRoot; run = run->Parent)
        if (run->NextSibling)
            return run->NextSibling;
    return nullptr;
}

PGridNode TBaseTreeGrid::WalkNext(PGridNode node, bool considerChildrenAbove, bool init)
{
    if (!node || node == FRoot)
        return nullptr;
    if (ChildrenAbove(considerChildrenAbove)) {
        // Post-order: the next sibling's deepest first descendant, else the parent.
        if (PGridNode next = node->NextSibling) {
            for (;;) {
                if (init)
                    DoInitChildrenIfNeeded(next);
                if (!next->FirstChild)
                    return next;
                next = next->FirstChild;
            }
        }
        return node->Parent == FRoot ? nullptr : node->Parent;
    }
    if (init)
        DoInitChildrenIfNeeded(node);
    if (node->FirstChild)
        return node->FirstChild;
    return NextSkippingSubtree(node);
}

PGridNode TBaseTreeGrid::WalkPrevious(PGridNode node, bool considerChildrenAbove, bool init)
{
    if (!node || node == FRoot)
        return nullptr;
    if (ChildrenAbove(considerChildrenAbove)) {
        // Post-order backwards: the last child, else the previous sibling of the nearest
        // ancestor that has one.
        if (init)
            DoInitChildrenIfNeeded(node);
        if (node->LastChild)
            return node->LastChild;
        for (PGridNode run = node; run && run != FRoot; run = run->Parent)
            if (run->PrevSibling)
                return run->PrevSibling;
        return nullptr;
    }
    if (PGridNode previous = node->PrevSibling) {
        for (;;) {
            if (init)
                DoInitChildrenIfNeeded(previous);
            if (!previous->LastChild)
                return previous;
            previous = previous->LastChild;
        }
    }
    return node->Parent == FRoot ? nullptr : node->Parent;
}

PGridNode TBaseTreeGrid::GetFirstNoInit(bool considerChildrenAbove)
{
    PGridNode result = FRoot->FirstChild;
    if (result && ChildrenAbove(considerChildrenAbove))
        while (result->FirstChild)
            result = result->FirstChild;
    return result;
}

PGridNode TBaseTreeGrid::GetFirst(bool considerChildrenAbove)
{
    return initialisedStep(*this, nullptr, [&] {
        PGridNode result = FRoot->FirstChild;
        if (result && ChildrenAbove(considerChildrenAbove)) {
            for (;;) {
                DoInitChildrenIfNeeded(result);
                if (!result->FirstChild)
                    break;
                result = result->FirstChild;
            }
        }
        return result;
    });
}

PGridNode TBaseTreeGrid::GetFirstInitialized(bool considerChildrenAbove)
{
    PGridNode result = GetFirstNoInit(considerChildrenAbove);
    if (result && !result->States.contains(vsInitialized))
        result = GetNextInitialized(result, considerChildrenAbove);
    return result;
}

PGridNode TBaseTreeGrid::GetNext(PGridNode node, bool considerChildrenAbove)
{
    return initialisedStep(*this, node, [&] { return WalkNext(node, considerChildrenAbove, true); });
}

PGridNode TBaseTreeGrid::GetNextNoInit(PGridNode node, bool considerChildrenAbove)
{
    return WalkNext(node, considerChildrenAbove, false);
}

PGridNode TBaseTreeGrid::GetNextInitialized(PGridNode node, bool considerChildrenAbove)
{
    PGridNode result = node;
    do
        result = WalkNext(result, considerChildrenAbove, false);
    while (result && !result->States.contains(vsInitialized));
    return result;
}

PGridNode TBaseTreeGrid::GetPrevious(PGridNode node, bool considerChildrenAbove)
{
    return initialisedStep(*this, node, [&] { return WalkPrevious(node, considerChildrenAbove, true); });
}

PGridNode TBaseTreeGrid::GetPreviousNoInit(PGridNode node, bool considerChildrenAbove)
{
    return WalkPrevious(node, considerChildrenAbove, false);
}

PGridNode TBaseTreeGrid::GetLast(PGridNode node, bool considerChildrenAbove)
{
    if (!node)
        node = FRoot;
    return initialisedStep(*this, node, [&] {
        DoInitChildrenIfNeeded(node);
        PGridNode result = node->LastChild;
        if (result && !ChildrenAbove(considerChildrenAbove)) {
            for (;;) {
                DoInitChildrenIfNeeded(result);
                if (!result->LastChild)
                    break;
                result = result->LastChild;
            }
        }
        return result;
    });
}

PGridNode TBaseTreeGrid::GetLastNoInit(PGridNode node, bool considerChildrenAbove)
{
    if (!node)
        node = FRoot;
    PGridNode result = node->LastChild;
    if (result && !ChildrenAbove(considerChildrenAbove))
        while (result->LastChild)
            result = result->LastChild;
    return result;
}

// ---- children and siblings

PGridNode TBaseTreeGrid::GetFirstChild(PGridNode node)
{
    if (!node)
        node = FRoot;
    return initialisedStep(*this, node, [&] {
        DoInitChildrenIfNeeded(node);
        return node->FirstChild;
    });
}

PGridNode TBaseTreeGrid::GetLastChild(PGridNode node)
{
    if (!node)
        node = FRoot;
    return initialisedStep(*this, node, [&] {
        DoInitChildrenIfNeeded(node);
        return node->LastChild;
    });
}

PGridNode TBaseTreeGrid::GetLastChildNoInit(PGridNode node)
{
    return (node ? node : FRoot)->LastChild;
}

PGridNode TBaseTreeGrid::GetNextSibling(PGridNode node)
{
    TGAssert(node != FRoot, "Invalid parameter.");
    return initialisedStep(*this, node, [&] { return node ? node->NextSibling : nullptr; });
}

PGridNode TBaseTreeGrid::GetPreviousSibling(PGridNode node)
{
    TGAssert(node != FRoot, "Invalid parameter.");
    return initialisedStep(*this, node, [&] { return node ? node->PrevSibling : nullptr; });
}

// ---- visible nodes

PGridNode TBaseTreeGrid::VisibleParentOrRoot(PGridNode node) const
{
    PGridNode result = node->Parent;
    while (result && result != FRoot && !IsRowVisible(result))
        result = result->Parent;
    return result ? result : FRoot;
}

PGridNode TBaseTreeGrid::GetVisibleParent(PGridNode node, bool includeFiltered)
{
    Q_UNUSED(includeFiltered);
    TGAssert(node != nullptr, "Node must not be nil.");
    if (node == FRoot)
        return nullptr;
    PGridNode result = VisibleParentOrRoot(node);
    return result == FRoot ? nullptr : result;
}

PGridNode TBaseTreeGrid::FirstShownChild(PGridNode node, bool init, bool includeHidden)
{
    if (init)
        DoInitChildrenIfNeeded(node);
    for (PGridNode child = node->FirstChild; child; child = child->NextSibling)
        if (ShowsNode(child, includeHidden))
            return child;
    return nullptr;
}

PGridNode TBaseTreeGrid::LastShownChild(PGridNode node, bool init, bool includeHidden)
{
    if (init)
        DoInitChildrenIfNeeded(node);
    for (PGridNode child = node->LastChild; child; child = child->PrevSibling)
        if (ShowsNode(child, includeHidden))
            return child;
    return nullptr;
}

PGridNode TBaseTreeGrid::NextShownSibling(PGridNode node, bool includeHidden) const
{
    for (PGridNode run = node->NextSibling; run; run = run->NextSibling)
        if (ShowsNode(run, includeHidden))
            return run;
    return nullptr;
}

PGridNode TBaseTreeGrid::PreviousShownSibling(PGridNode node, bool includeHidden) const
{
    for (PGridNode run = node->PrevSibling; run; run = run->PrevSibling)
        if (ShowsNode(run, includeHidden))
            return run;
    return nullptr;
}

// The first shown sibling after (or before) the node, else after (before) its nearest
// ancestor that has one.
PGridNode TBaseTreeGrid::ShownSiblingUpwards(PGridNode node, bool forward) const
{
    for (PGridNode run = node; run && run != FRoot; run = run->Parent)
        if (PGridNode sibling = forward ? NextShownSibling(run, false) : PreviousShownSibling(run, false))
            return sibling;
    return nullptr;
}

// The deepest row reached by following first (or last) visible children of expanded nodes.
PGridNode TBaseTreeGrid::DeepestShown(PGridNode node, bool last, bool init, bool includeHidden)
{
    for (;;) {
        if (!node->States.contains(vsExpanded))
            return node;
        PGridNode child = last ? LastShownChild(node, init, includeHidden) : FirstShownChild(node, init, includeHidden);
        if (!child)
            return node;
        node = child;
    }
}

namespace {
// The ancestor of the node (or the node itself) that is a child of `ancestor`.
PGridNode childOnPath(PGridNode node, PGridNode ancestor)
{
    while (node->Parent != ancestor)
        node = node->Parent;
    return node;
}
} // namespace

PGridNode TBaseTreeGrid::WalkNextVisible(PGridNode node, bool considerChildrenAbove, bool init)
{
    if (!node || node == FRoot)
        return nullptr;
    if (!IsRowVisible(node)) {
        // Not a row itself: continue after the subtree of its outermost ancestor that is
        // not a row either (nothing below it is a row).
        PGridNode visibleParent = VisibleParentOrRoot(node);
        if (visibleParent != FRoot && !visibleParent->States.contains(vsExpanded)) {
            // The ancestor is a collapsed row: its hidden subtree sits just before (children
            // above) or just after it.
            if (ChildrenAbove(considerChildrenAbove))
                return visibleParent;
            return WalkNextVisible(visibleParent, considerChildrenAbove, init);
        }
        PGridNode blocked = childOnPath(node, visibleParent);
        if (ChildrenAbove(considerChildrenAbove)) {
            if (PGridNode sibling = NextShownSibling(blocked, false))
                return DeepestShown(sibling, false, init, false);
            return visibleParent == FRoot ? nullptr : visibleParent;
        }
        return ShownSiblingUpwards(blocked, true);
    }
    return NextRow(node, considerChildrenAbove, init);
}

PGridNode TBaseTreeGrid::NextRow(PGridNode row, bool considerChildrenAbove, bool init)
{
    if (ChildrenAbove(considerChildrenAbove)) {
        if (PGridNode sibling = NextShownSibling(row, false))
            return DeepestShown(sibling, false, init, false);
        return row->Parent == FRoot ? nullptr : row->Parent;
    }
    if (row->States.contains(vsExpanded))
        if (PGridNode child = FirstShownChild(row, init, false))
            return child;
    return ShownSiblingUpwards(row, true);
}

PGridNode TBaseTreeGrid::WalkPreviousVisible(PGridNode node, bool considerChildrenAbove, bool init)
{
    if (!node || node == FRoot)
        return nullptr;
    if (!IsRowVisible(node)) {
        PGridNode visibleParent = VisibleParentOrRoot(node);
        if (visibleParent != FRoot && !visibleParent->States.contains(vsExpanded))
            return ChildrenAbove(considerChildrenAbove) ? WalkPreviousVisible(visibleParent, considerChildrenAbove, init)
                                                          : visibleParent;
        // Treated like a row at the same place that has no visible children.
        node = childOnPath(node, visibleParent);
        if (ChildrenAbove(considerChildrenAbove))
            return ShownSiblingUpwards(node, false);
    } else if (ChildrenAbove(considerChildrenAbove)) {
        if (node->States.contains(vsExpanded))
            if (PGridNode child = LastShownChild(node, init, false))
                return child;
        return ShownSiblingUpwards(node, false);
    }
    if (PGridNode sibling = PreviousShownSibling(node, false))
        return DeepestShown(sibling, true, init, false);
    return node->Parent == FRoot ? nullptr : node->Parent;
}


PGridNode TBaseTreeGrid::FirstVisibleBelow(PGridNode node, bool considerChildrenAbove, bool init, bool includeHidden)
{
    if (!node)
        node = FRoot;
    if (!node->States.contains(vsExpanded) || !IsRowVisible(node))
        return nullptr;
    PGridNode first = FirstShownChild(node, init, includeHidden);
    if (first && ChildrenAbove(considerChildrenAbove))
        first = DeepestShown(first, false, init, includeHidden);
    return first;
}

PGridNode TBaseTreeGrid::LastVisibleBelow(PGridNode node, bool considerChildrenAbove, bool init, bool includeHidden)
{
    if (!node)
        node = FRoot;
    if (!node->States.contains(vsExpanded) || !IsRowVisible(node))
        return nullptr;
    PGridNode last = LastShownChild(node, init, includeHidden);
    if (last && !ChildrenAbove(considerChildrenAbove))
        last = DeepestShown(last, true, init, includeHidden);
    return last;
}

PGridNode TBaseTreeGrid::GetFirstVisible(PGridNode node, bool considerChildrenAbove, bool includeFiltered)
{
    return initialisedStep(*this, node,
                           [&] { return FirstVisibleBelow(node, considerChildrenAbove, true, includeFiltered); });
}

PGridNode TBaseTreeGrid::GetFirstVisibleNoInit(PGridNode node, bool considerChildrenAbove, bool includeFiltered)
{
    return FirstVisibleBelow(node, considerChildrenAbove, false, includeFiltered);
}

PGridNode TBaseTreeGrid::GetNextVisible(PGridNode node, bool considerChildrenAbove)
{
    return initialisedStep(*this, node, [&] { return WalkNextVisible(node, considerChildrenAbove, true); });
}

PGridNode TBaseTreeGrid::GetNextVisibleNoInit(PGridNode node, bool considerChildrenAbove)
{
    return WalkNextVisible(node, considerChildrenAbove, false);
}

PGridNode TBaseTreeGrid::GetPreviousVisible(PGridNode node, bool considerChildrenAbove)
{
    return initialisedStep(*this, node, [&] { return WalkPreviousVisible(node, considerChildrenAbove, true); });
}

PGridNode TBaseTreeGrid::GetPreviousVisibleNoInit(PGridNode node, bool considerChildrenAbove)
{
    return WalkPreviousVisible(node, considerChildrenAbove, false);
}

PGridNode TBaseTreeGrid::GetLastVisible(PGridNode node, bool considerChildrenAbove, bool includeFiltered)
{
    return initialisedStep(*this, node,
                           [&] { return LastVisibleBelow(node, considerChildrenAbove, true, includeFiltered); });
}

PGridNode TBaseTreeGrid::GetLastVisibleNoInit(PGridNode node, bool considerChildrenAbove, bool includeFiltered)
{
    return LastVisibleBelow(node, considerChildrenAbove, false, includeFiltered);
}

PGridNode TBaseTreeGrid::GetFirstVisibleChild(PGridNode node, bool includeFiltered)
{
    if (!node)
        node = FRoot;
    return initialisedStep(*this, node, [&] { return FirstShownChild(node, true, includeFiltered); });
}

PGridNode TBaseTreeGrid::GetFirstVisibleChildNoInit(PGridNode node, bool includeFiltered)
{
    return FirstShownChild(node ? node : FRoot, false, includeFiltered);
}

PGridNode TBaseTreeGrid::GetLastVisibleChild(PGridNode node, bool includeFiltered)
{
    if (!node)
        node = FRoot;
    return initialisedStep(*this, node, [&] { return LastShownChild(node, true, includeFiltered); });
}

PGridNode TBaseTreeGrid::GetLastVisibleChildNoInit(PGridNode node, bool includeFiltered)
{
    return LastShownChild(node ? node : FRoot, false, includeFiltered);
}

PGridNode TBaseTreeGrid::GetNextVisibleSibling(PGridNode node, bool includeFiltered)
{
    TGAssert(node && node != FRoot, "Invalid parameter.");
    return initialisedStep(*this, node, [&] { return NextShownSibling(node, includeFiltered); });
}

PGridNode TBaseTreeGrid::GetNextVisibleSiblingNoInit(PGridNode node, bool includeFiltered)
{
    TGAssert(node && node != FRoot, "Invalid parameter.");
    return NextShownSibling(node, includeFiltered);
}

PGridNode TBaseTreeGrid::GetPreviousVisibleSibling(PGridNode node, bool includeFiltered)
{
    TGAssert(node && node != FRoot, "Invalid parameter.");
    return initialisedStep(*this, node, [&] { return PreviousShownSibling(node, includeFiltered); });
}

PGridNode TBaseTreeGrid::GetPreviousVisibleSiblingNoInit(PGridNode node, bool includeFiltered)
{
    TGAssert(node && node != FRoot, "Invalid parameter.");
    return PreviousShownSibling(node, includeFiltered);
}

bool TBaseTreeGrid::IsFirstVisibleChild(PGridNode parent, PGridNode node)
{
    return node && GetFirstVisibleChildNoInit(parent) == node;
}

bool TBaseTreeGrid::IsLastVisibleChild(PGridNode parent, PGridNode node)
{
    return node && GetLastVisibleChildNoInit(parent) == node;
}

bool TBaseTreeGrid::HasVisibleNextSibling(PGridNode node)
{
    TGAssert(node && node != FRoot, "Invalid parameter.");
    return NextShownSibling(node, false) != nullptr;
}

bool TBaseTreeGrid::HasVisiblePreviousSibling(PGridNode node)
{
    TGAssert(node && node != FRoot, "Invalid parameter.");
    return PreviousShownSibling(node, false) != nullptr;
}

// ---- visibility

bool TBaseTreeGrid::IsVisible(PGridNode node)
{
    if (!node)
        node = FRoot;
    if (node != FRoot && !node->States.contains(vsInitialized))
        InitNode(node);
    return node->States.contains(vsVisible);
}

void TBaseTreeGrid::ChangeVisibility(PGridNode node, TGridNodeState state, bool include)
{
    // A row going out of sight ends the edit on it or on a row below it; the handlers of
    // that end may delete the node.
    if (IsRemoved(node) || (include == (state == vsHidden) && !CloseEditWithin(node)))
        return;
    InterruptValidation();
    PGridNode parent = node->Parent;
    const bool wasShown = IsEffectivelyVisible(node);
    const std::uint32_t rowsBefore = IsRowVisible(node) ? 1 + CountVisibleChildren(node) : 0;
    if (include)
        node->States.include(state);
    else
        node->States.exclude(state);
    const bool isShown = IsEffectivelyVisible(node);
    const std::uint32_t rowsAfter = IsRowVisible(node) ? 1 + CountVisibleChildren(node) : 0;

    if (wasShown != isShown && parent->States.contains(vsExpanded))
        AdjustTotalHeight(parent, isShown ? std::int64_t(node->TotalHeight) : -std::int64_t(node->TotalHeight), true);
    FVisibleCount = std::uint32_t(std::int64_t(FVisibleCount) + rowsAfter - rowsBefore);
    if (isShown)
        parent->States.exclude(vsAllChildrenHidden);
    else if (FUpdateCount > 0)
        NoteHiddenChildrenChange(parent);
    else
        DetermineHiddenChildrenFlag(parent);

    InvalidateCache();
    if (rowsAfter != rowsBefore && FUpdateCount == 0) {
        ValidateCache();
        UpdateScrollBars(true);
        Invalidate();
    }
}

void TBaseTreeGrid::SetIsVisible(PGridNode node, bool value)
{
    TGAssert(node && node != FRoot, "Invalid parameter.");
    if (node->States.contains(vsVisible) == value)
        return;
    ChangeVisibility(node, vsVisible, value);
}

void TBaseTreeGrid::SetIsHidden(PGridNode node, bool value)
{
    TGAssert(node && node != FRoot, "Invalid parameter.");
    if (node->States.contains(vsHidden) == value)
        return;
    ChangeVisibility(node, vsHidden, value);
}

void TBaseTreeGrid::RecalculateTotalHeights(PGridNode node)
{
    std::int64_t children = 0;
    for (PGridNode child = node->FirstChild; child; child = child->NextSibling) {
        RecalculateTotalHeights(child);
        if (IsEffectivelyVisible(child))
            children += child->TotalHeight;
    }
    node->TotalHeight = std::uint32_t(node->NodeHeight + (node->States.contains(vsExpanded) ? children : 0));
}

void TBaseTreeGrid::DetermineHiddenChildrenFlag(PGridNode node)
{
    if (!node)
        return;
    if (node->FirstChild) {
        bool anyShown = false;
        for (PGridNode child = node->FirstChild; child && !anyShown; child = child->NextSibling)
            anyShown = IsEffectivelyVisible(child);
        if (anyShown)
            node->States.exclude(vsAllChildrenHidden);
        else
            node->States.include(vsAllChildrenHidden);
    } else if (node->States.contains(vsHasChildren)) {
        node->States.exclude(vsAllChildrenHidden);
    } else {
        node->States.include(vsAllChildrenHidden);
    }
}

void TBaseTreeGrid::NoteHiddenChildrenChange(PGridNode parent)
{
    if (parent == FRoot)
        FRootHiddenChildrenNeeded = true;
    else
        DoStateChange({tsUpdateHiddenChildrenNeeded});
}

void TBaseTreeGrid::DetermineHiddenChildrenFlagAllNodes()
{
    DetermineHiddenChildrenFlag(FRoot);
    for (PGridNode run = GetFirstNoInit(); run; run = GetNextNoInit(run))
        DetermineHiddenChildrenFlag(run);
}

// ---- expansion

void TBaseTreeGrid::SetExpanded(PGridNode node, bool value)
{
    if (node && node != FRoot && node->States.contains(vsExpanded) != value)
        ToggleNode(node);
}

namespace {

// Marks a node as being toggled for the life of the toggle.
class TToggling
{
public:
    explicit TToggling(PGridNode node) : FNode(node) { FNode->States.include(vsToggling); }
    ~TToggling() { FNode->States.exclude(vsToggling); }
    TToggling(const TToggling &) = delete;
    TToggling &operator=(const TToggling &) = delete;

private:
    PGridNode FNode;
};

} // namespace

void TBaseTreeGrid::ToggleNode(PGridNode node)
{
    if (!node || node == FRoot || IsRemoved(node) || node->States.contains(vsToggling))
        return;
    // Every handler told on the way (collapsing, the end of an edit below, expanding, the
    // children asked for, expanded, collapsed) may remove the node: nothing more is done then.
    // Its block outlives this call.
    std::int64_t toggledHeight = 0;
    if (!ChangeExpansion(node, toggledHeight) || IsRemoved(node))
        return;
    InvalidateCache();
    if (FUpdateCount == 0) {
        ValidateCache();
        const QPoint offsets = OffsetXY();
        UpdateScrollBars(true);
        const bool expanded = node->States.contains(vsExpanded);
        if (expanded && IsRowVisible(node) && FOptions->AutoOptions().contains(toAutoScrollOnExpand)
            && !FOptions->PaintOptions().contains(toChildrenAbove)) {
            // As many of the new children as fit come into view; the node stays in view.
            const QRect row = GetDisplayRect(node, NoColumn, false);
            const std::int64_t overflow = std::int64_t(RectBottom(row)) + toggledHeight - ClientHeight();
            if (overflow > 0 && row.top() > 0)
                SetOffsetY(FOffsetY - int(std::min<std::int64_t>(overflow, row.top())));
        }
        if (OffsetXY() != offsets || !IsRowVisible(node) || !AnimateToggle(node, expanded, toggledHeight))
            InvalidateToBottom(node);
    }
}

bool TBaseTreeGrid::ChangeExpansion(PGridNode node, std::int64_t &toggledHeight)
{
    const TToggling toggling(node);
    if (node->States.contains(vsExpanded)) {
        if (!DoCollapsing(node))
            return false;
        // An editor below would be left over another row.
        if (EditWithin(node) && FEditNode != node && !CloseEditWithin(node))
            return false;
        InterruptValidation();
        toggledHeight = std::int64_t(node->TotalHeight) - node->NodeHeight;
        DoStateChange({tsCollapsing});
        const bool row = IsRowVisible(node);
        const std::uint32_t visibleChildren = row ? CountVisibleChildren(node) : 0;
        node->States.exclude(vsExpanded);
        AdjustTotalHeight(node, node->NodeHeight, false);
        FVisibleCount -= visibleChildren;
        DoStateChange({}, {tsCollapsing});
        DoCollapsed(node);
        if (!IsRemoved(node) && FOptions->AutoOptions().contains(toAutoFreeOnCollapse))
            DeleteChildren(node, false);
        return true;
    }
    if (!DoExpanding(node))
        return false;
    InterruptValidation();
    DoStateChange({tsExpanding});
    DoInitChildrenIfNeeded(node);
    bool changed = false;
    if (!IsRemoved(node)) {
        std::int64_t childrenHeight = 0;
        for (PGridNode child = node->FirstChild; child; child = child->NextSibling)
            if (IsEffectivelyVisible(child))
                childrenHeight += child->TotalHeight;
        // A node whose children turned out empty stays collapsed but keeps its flag answer.
        if (node->FirstChild || node->States.contains(vsHasChildren)) {
            node->States.include(vsExpanded);
            AdjustTotalHeight(node, std::int64_t(node->NodeHeight) + childrenHeight, false);
            if (IsRowVisible(node))
                FVisibleCount += CountVisibleChildren(node);
            toggledHeight = childrenHeight;
            changed = true;
        }
    }
    DoStateChange({}, {tsExpanding});
    if (changed)
        DoExpanded(node);
    return changed;
}

void TBaseTreeGrid::FullExpand(PGridNode node)
{
    if (FRoot->TotalCount < 2)
        return;
    if (!node)
        node = FRoot;
    PGridNode stop = node == FRoot ? nullptr : NextSkippingSubtree(node);
    BeginUpdate();
    for (PGridNode run = node == FRoot ? GetFirst() : node; run && run != stop; run = GetNext(run)) {
        if (!run->States.contains(vsExpanded)) {
            DoInitChildrenIfNeeded(run);
            if (run->FirstChild)
                ToggleNode(run);
        }
        // The handlers removed the node walked or the end of the walk: the rest stays as it is.
        if (IsRemoved(run) || IsRemoved(stop))
            break;
    }
    EndUpdate();
}

bool TBaseTreeGrid::ExpandAncestors(PGridNode node)
{
    if (!node || node == FRoot || IsRemoved(node))
        return !IsRemoved(node);
    std::vector<PGridNode> path;
    for (PGridNode run = node->Parent; run && run != FRoot; run = run->Parent)
        if (!run->States.contains(vsExpanded))
            path.push_back(run);
    if (path.empty())
        return true;
    // Each expansion outside a bracket would rebuild the cache and the scroll bars: a deep
    // chain took seconds. The bracket is the count alone, so that closing it neither sorts nor
    // notifies as EndUpdate does; the expansions report themselves.
    {
        const TUpdateCountHold hold(*this);
        // A handler that makes the children of a node anew (lazy loading) removes the rest of
        // the chain: the node is gone then.
        for (auto it = path.rbegin(); it != path.rend() && !IsRemoved(*it); ++it)
            if (!(*it)->States.contains(vsExpanded))
                ToggleNode(*it);
        InvalidateCache();
    }
    if (FUpdateCount == 0) {
        ValidateCache();
        UpdateScrollBars(true);
        Invalidate();
    }
    return !IsRemoved(node);
}

void TBaseTreeGrid::FullCollapse(PGridNode node)
{
    if (FRoot->TotalCount < 2)
        return;
    if (!node)
        node = FRoot;
    PGridNode start = GetLastNoInit(node);
    if (!start)
        start = node == FRoot ? nullptr : node;
    BeginUpdate();
    for (PGridNode run = start; run;) {
        PGridNode previous = GetPreviousNoInit(run);
        if (run->States.contains(vsExpanded))
            ToggleNode(run);
        // The handlers removed the node the walk ends at, or the one it goes on from.
        if (run == node || IsRemoved(node) || IsRemoved(previous))
            break;
        run = previous;
    }
    EndUpdate();
}
