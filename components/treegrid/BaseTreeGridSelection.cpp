// Selection and focus of TBaseTreeGrid.

#include "treegrid/BaseTreeGrid.h"

#include <algorithm>
#include <cstdint>

namespace {

// Removed-but-not-packed entries carry the lowest address bit (node blocks are aligned).
bool isMarked(PGridNode entry)
{
    return (reinterpret_cast<std::uintptr_t>(entry) & 1u) != 0;
}

PGridNode marked(PGridNode node)
{
    return reinterpret_cast<PGridNode>(reinterpret_cast<std::uintptr_t>(node) | 1u);
}

bool addressLess(PGridNode a, PGridNode b)
{
    return reinterpret_cast<std::uintptr_t>(a) < reinterpret_cast<std::uintptr_t>(b);
}

// Drops marked entries; answers -1 for an empty array, else the number kept.
int PackArray(std::vector<PGridNode> &items)
{
    if (items.empty())
        return -1;
    items.erase(std::remove_if(items.begin(), items.end(), isMarked), items.end());
    return static_cast<int>(items.size());
}

} // namespace

// ---- membership

bool TBaseTreeGrid::Selected(PGridNode node) const
{
    return node && node->States.contains(vsSelected);
}

bool TBaseTreeGrid::FindNodeInSelection(PGridNode node, int &index, int lowBound, int highBound) const
{
    const int last = static_cast<int>(FSelection.size()) - 1;
    int low = lowBound < 0 ? 0 : lowBound;
    int high = highBound < 0 ? last : std::min(highBound, last);
    // Leftmost entry not below the node: the match, or where the node belongs.
    int first = low;
    int count = high - low + 1;
    while (count > 0) {
        const int step = count / 2;
        const int middle = first + step;
        if (addressLess(FSelection[static_cast<size_t>(middle)], node)) {
            first = middle + 1;
            count -= step + 1;
        } else {
            count = step;
        }
    }
    index = first;
    return first <= high && FSelection[static_cast<size_t>(first)] == node;
}

void TBaseTreeGrid::PackSelection()
{
    PackArray(FSelection);
}

// ---- adding

bool TBaseTreeGrid::InternalAddToSelection(PGridNode node, bool forceInsert)
{
    TGAssert(node != nullptr, "Node must not be nil!");
    const PGridNode single[1] = {node};
    return InternalAddToSelection(single, 1, forceInsert);
}

bool TBaseTreeGrid::InternalAddToSelection(const PGridNode *newItems, int newLength, bool forceInsert)
{
    if (!newItems || newLength <= 0)
        return false;
    const bool levelConstraint = FOptions->SelectionOptions().contains(toLevelSelectConstraint);
    const bool siblingConstraint = FOptions->SelectionOptions().contains(toSiblingSelectConstraint);

    std::vector<PGridNode> items;
    items.reserve(static_cast<size_t>(newLength));
    for (int i = 0; i < newLength; ++i) {
        const PGridNode node = newItems[i];
        if (!node || node == FRoot || IsRemoved(node))
            continue;
        // The state bit and the array always agree: a selected node is never added twice.
        if (node->States.contains(vsSelected))
            continue;
        if (!forceInsert) {
            if (levelConstraint && FLastSelectionLevel == -1)
                FLastSelectionLevel = int(GetNodeLevel(node));
            if (siblingConstraint && !FRangeAnchor)
                FRangeAnchor = node;
            if (node->States.contains(vsDisabled))
                continue;
            if (levelConstraint && int(GetNodeLevel(node)) != FLastSelectionLevel)
                continue;
            if (siblingConstraint && node->Parent != FRangeAnchor->Parent)
                continue;
        }
        items.push_back(node);
    }
    if (items.empty())
        return false;

    std::sort(items.begin(), items.end(), addressLess);
    items.erase(std::unique(items.begin(), items.end()), items.end());
    for (PGridNode node : items)
        node->States.include(vsSelected);

    // Merge from the high end so that every entry moves at most once.
    const size_t oldSize = FSelection.size();
    FSelection.resize(oldSize + items.size());
    std::ptrdiff_t i = std::ptrdiff_t(oldSize) - 1;
    std::ptrdiff_t j = std::ptrdiff_t(items.size()) - 1;
    std::ptrdiff_t k = std::ptrdiff_t(FSelection.size()) - 1;
    while (j >= 0) {
        if (i >= 0 && addressLess(items[size_t(j)], FSelection[size_t(i)]))
            FSelection[size_t(k--)] = FSelection[size_t(i--)];
        else
            FSelection[size_t(k--)] = items[size_t(j--)];
    }
    FSelectionCount += static_cast<int>(items.size());
    ++FSelectionGeneration;
    return true;
}

void TBaseTreeGrid::AddToSelection(PGridNode node)
{
    if (FSelectionLocked)
        return;
    TGAssert(node != nullptr, "Node must not be nil!");
    if (InternalAddToSelection(node, false)) {
        InvalidateNode(node);
        Change(node);
    }
}

void TBaseTreeGrid::AddToSelection(const PGridNode *newItems, int newLength, bool forceInsert)
{
    if (FSelectionLocked)
        return;
    std::vector<PGridNode> candidates;
    for (int i = 0; newItems && i < newLength; ++i) {
        if (newItems[i] && !IsRemoved(newItems[i]) && !newItems[i]->States.contains(vsSelected))
            candidates.push_back(newItems[i]);
    }
    const int before = FSelectionCount;
    if (!InternalAddToSelection(newItems, newLength, forceInsert))
        return;
    if (FSelectionCount - before == 1) {
        for (PGridNode node : candidates) {
            if (node->States.contains(vsSelected)) {
                InvalidateNode(node);
                Change(node);
                return;
            }
        }
    }
    Invalidate();
    Change(nullptr);
}

// ---- removing

void TBaseTreeGrid::InternalRemoveFromSelection(PGridNode node)
{
    if (!node)
        return;
    ++FSelectionGeneration;
    int index = 0;
    if (FindNodeInSelection(node, index, -1, -1)) {
        node->States.exclude(vsSelected);
        FSelection[static_cast<size_t>(index)] = marked(node);
        --FSelectionCount;
    } else {
        node->States.exclude(vsSelected);
    }
}

void TBaseTreeGrid::RemoveFromSelection(PGridNode node)
{
    if (FSelectionLocked)
        return;
    TGAssert(node != nullptr, "Node must not be nil!");
    if (!node->States.contains(vsSelected))
        return;
    node->States.exclude(vsSelected);
    ++FSelectionGeneration;
    int index = 0;
    if (FindNodeInSelection(node, index, -1, -1)) {
        // Marked rather than erased, so that taking many nodes out one by one stays linear;
        // the array is packed once the removed entries outnumber the kept ones.
        FSelection[static_cast<size_t>(index)] = marked(node);
        --FSelectionCount;
        if (FSelection.size() > 2 * static_cast<size_t>(FSelectionCount) + 16)
            PackSelection();
    }
    if (FSelectionCount == 0) {
        FSelection.clear();
        ResetRangeAnchor();
    }
    Change(node);
}

void TBaseTreeGrid::InternalClearSelection()
{
    // Marked entries may name freed nodes: pack first, always.
    PackSelection();
    for (auto it = FSelection.rbegin(); it != FSelection.rend(); ++it)
        (*it)->States.exclude(vsSelected);
    FSelectionCount = 0;
    ++FSelectionGeneration;
    FSortedSelection = TTGSortedSelection();
    ResetRangeAnchor();
    FSelection.clear();
    FSelection.shrink_to_fit();
    DoStateChange({}, {tsClearPending});
}

void TBaseTreeGrid::ClearSelection()
{
    if (FSelectionLocked || FSelectionCount == 0 || FDestroying)
        return;
    if (FUpdateCount == 0 && testAttribute(Qt::WA_WState_Created) && FVisibleCount > 0) {
        // Repaint only the selected rows in view, walking from the first of them.
        const std::int64_t viewTop = -std::int64_t(FOffsetY);
        const std::int64_t viewBottom = viewTop + viewport()->height();
        int met = 0;
        int nodeTop = 0;
        PGridNode first = GetNodeAt(0, 0, true, nodeTop);
        std::int64_t top = std::int64_t(nodeTop) - FOffsetY;
        for (PGridNode run = first; run && met < FSelectionCount && top < viewBottom;
             run = GetNextVisibleNoInit(run)) {
            const std::int64_t height = run->NodeHeight;
            if (run->States.contains(vsSelected)) {
                ++met;
                if (top + height > viewTop)
                    InvalidateNode(run);
            }
            top += height;
        }
    }
    InternalClearSelection();
    Change(nullptr);
}

// ---- setting and bulk operations

void TBaseTreeGrid::SetSelected(PGridNode node, bool value)
{
    if (FSelectionLocked || !node || node == FRoot || IsRemoved(node) || Selected(node) == value)
        return;
    // The owner may disable the node (or select it) when it is initialised; every handler told
    // on the way may remove it.
    if (!node->States.contains(vsInitialized))
        InitNode(node);
    if (IsRemoved(node))
        return;
    if (value) {
        if (FSelectionCount == 0)
            FRangeAnchor = node;
        else if (!FOptions->SelectionOptions().contains(toMultiSelect))
            ClearSelection();
        if (IsRemoved(node))
            return;
        AddToSelection(node);
        if (IsRemoved(node))
            return;

        TTreeGridHeader *header = Header();
        TTreeGridColumns *columns = header ? header->Columns() : nullptr;
        if (columns && header->MainColumn() > NoColumn) {
            const TTreeGridColumn *focused = columns->Items(FFocusedColumn);
            if (!focused || !focused->Options().contains(coVisible)) {
                const TColumnIndex main = header->MainColumn();
                const TTreeGridColumn *mainColumn = columns->Items(main);
                if (mainColumn && mainColumn->Options().contains(coVisible) && header->AllowFocus(main))
                    FFocusedColumn = main;
                else
                    FFocusedColumn = columns->GetFirstVisibleColumn(true);
            }
        }
        if (!FRangeAnchor)
            FRangeAnchor = node;
    } else {
        RemoveFromSelection(node);
        if (FSelectionCount == 0)
            ResetRangeAnchor();
    }
    if (!IsRemoved(node) && FullyVisible(node) && !IsEffectivelyHidden(node))
        InvalidateNode(node);
}

void TBaseTreeGrid::SelectAll(bool visibleOnly)
{
    if (FSelectionLocked || !FOptions->SelectionOptions().contains(toMultiSelect))
        return;
    std::vector<PGridNode> all;
    std::vector<PGridNode> items;
    for (PGridNode run = visibleOnly ? GetFirstVisible() : GetFirst(); run;
         run = visibleOnly ? GetNextVisible(run) : GetNext(run)) {
        all.push_back(run);
        if (!run->States.contains(vsSelected))
            items.push_back(run);
    }
    const std::uint64_t rows = FRowsGeneration;
    const int before = FSelectionCount;
    AddToSelection(items.data(), static_cast<int>(items.size()));
    // Every node walked is selected and no other: the walk is the selection in tree order, and
    // whoever follows the selection gets it without a walk of its own.
    if (FRowsGeneration == rows && FSelectionCount - before == int(items.size())
        && FSelectionCount == int(all.size()))
        RememberSortedSelection(std::move(all), false);
    Invalidate();
}

// A range starts at a fully visible node: a hidden start moves to the visible node before it.
PGridNode TBaseTreeGrid::VisibleRangeStart(PGridNode startNode, PGridNode whenNil)
{
    if (!startNode)
        return whenNil;
    if (FullyVisible(startNode))
        return startNode;
    PGridNode previous = GetPreviousVisible(startNode);
    return previous ? previous : GetFirstVisible();
}

std::vector<PGridNode> TBaseTreeGrid::VisibleRange(PGridNode startNode, PGridNode endNode)
{
    PGridNode first = startNode;
    PGridNode last = endNode;
    if (CompareNodePositions(first, last) > 0)
        std::swap(first, last);
    std::vector<PGridNode> nodes;
    for (PGridNode run = first; run; run = GetNextVisible(run)) {
        if (run != last && CompareNodePositions(run, last) > 0)
            break;
        nodes.push_back(run);
        if (run == last)
            break;
    }
    return nodes;
}

// Where SelectNodes and UnselectNodes start; null when the selection may not change.
PGridNode TBaseTreeGrid::SelectionRangeStart(PGridNode startNode, PGridNode endNode)
{
    TGAssert(endNode != nullptr, "EndNode must not be nil!");
    if (FSelectionLocked || IsRemoved(startNode) || IsRemoved(endNode))
        return nullptr;
    return VisibleRangeStart(startNode, GetFirstVisible());
}

void TBaseTreeGrid::SelectNodes(PGridNode startNode, PGridNode endNode, bool addOnly)
{
    startNode = SelectionRangeStart(startNode, endNode);
    if (!startNode)
        return;

    const PGridNode anchor = FRangeAnchor;
    const int levelBefore = FLastSelectionLevel;
    bool changed = false;
    if (!addOnly && FSelectionCount > 0) {
        InternalClearSelection();
        changed = true;
    }
    // The constraints of the bulk addition refer to the range's anchor.
    if (anchor)
        FRangeAnchor = anchor;
    if (addOnly)
        FLastSelectionLevel = levelBefore;

    std::vector<PGridNode> items = VisibleRange(startNode, endNode);
    if (InternalAddToSelection(items.data(), static_cast<int>(items.size()), false))
        changed = true;
    if (anchor && anchor->States.contains(vsSelected))
        FRangeAnchor = anchor;
    else if (FSelectionCount == 0)
        ResetRangeAnchor();
    if (changed) {
        Invalidate();
        Change(nullptr);
    }
}

void TBaseTreeGrid::UnselectNodes(PGridNode startNode, PGridNode endNode)
{
    startNode = SelectionRangeStart(startNode, endNode);
    if (!startNode)
        return;
    const int before = FSelectionCount;
    for (PGridNode run : VisibleRange(startNode, endNode)) {
        if (run->States.contains(vsSelected))
            InternalRemoveFromSelection(run);
    }
    PackSelection();
    if (FSelectionCount != before) {
        if (FSelectionCount == 0)
            ResetRangeAnchor();
        Invalidate();
        Change(nullptr);
    }
}

void TBaseTreeGrid::ToggleSelection(PGridNode startNode, PGridNode endNode)
{
    if (FSelectionLocked || IsRemoved(startNode) || IsRemoved(endNode))
        return;
    TGAssert(endNode != nullptr, "EndNode must not be nil!");
    startNode = VisibleRangeStart(startNode, FRoot->FirstChild);
    if (!startNode || CompareNodePositions(startNode, endNode) == 0)
        return;
    PGridNode first = startNode;
    PGridNode last = endNode;
    if (CompareNodePositions(first, last) > 0)
        std::swap(first, last);

    const PGridNode anchor = FRangeAnchor;
    const int before = FSelectionCount;
    std::vector<PGridNode> collected;
    auto invert = [&](PGridNode node) {
        if (node->States.contains(vsSelected))
            InternalRemoveFromSelection(node);
        else
            collected.push_back(node);
    };
    // The ends flip only on the far side of the anchor, so the anchor itself stays selected.
    if (!anchor || CompareNodePositions(first, anchor) < 0)
        invert(first);
    for (PGridNode run : VisibleRange(first, last)) {
        if (run != first && run != last)
            invert(run);
    }
    if (!anchor || CompareNodePositions(last, anchor) > 0)
        invert(last);
    PackSelection();
    if (anchor && !anchor->States.contains(vsSelected))
        collected.push_back(anchor);
    const bool added = InternalAddToSelection(collected.data(), static_cast<int>(collected.size()), false);
    if (added || FSelectionCount != before) {
        Invalidate();
        Change(nullptr);
    }
}

// ---- walking the selection

PGridNode TBaseTreeGrid::GetFirstSelected(bool considerChildrenAbove)
{
    if (FSelectionCount < 1)
        return nullptr;
    return GetNextSelected(nullptr, considerChildrenAbove);
}

PGridNode TBaseTreeGrid::GetNextSelected(PGridNode node, bool considerChildrenAbove)
{
    if (FSelectionCount < 1)
        return nullptr;
    PGridNode run = node ? GetNextNoInit(node, considerChildrenAbove) : GetFirstNoInit(considerChildrenAbove);
    while (run && !run->States.contains(vsSelected))
        run = GetNextNoInit(run, considerChildrenAbove);
    if (run && !run->States.contains(vsInitialized)) {
        InitNode(run);
        // Removed by its initialisation: the walk goes on from where it started.
        if (IsRemoved(run))
            return IsRemoved(node) ? nullptr : GetNextSelected(node, considerChildrenAbove);
    }
    return run;
}

void TBaseTreeGrid::RememberSortedSelection(std::vector<PGridNode> nodes, bool trimOverlapped)
{
    FSortedSelection.Rows = FRowsGeneration;
    FSortedSelection.Selection = FSelectionGeneration;
    FSortedSelection.TrimOverlapped = trimOverlapped;
    FSortedSelection.Valid = true;
    FSortedSelection.Nodes = std::move(nodes);
}

std::vector<PGridNode> TBaseTreeGrid::GetSortedSelection(bool trimOverlapped)
{
    std::vector<PGridNode> result;
    if (FSelectionCount < 1)
        return result;
    // Asked again for the same selection (the views that follow it): no walk.
    if (FSortedSelection.Valid && FSortedSelection.Rows == FRowsGeneration
        && FSortedSelection.Selection == FSelectionGeneration && FSortedSelection.TrimOverlapped == trimOverlapped)
        return FSortedSelection.Nodes;
    result = SortSelection(trimOverlapped);
    RememberSortedSelection(result, trimOverlapped);
    return result;
}

std::vector<PGridNode> TBaseTreeGrid::SortSelection(bool trimOverlapped)
{
    std::vector<PGridNode> result;
    result.reserve(static_cast<size_t>(FSelectionCount));
    // A few nodes of many: ordering them costs less than a walk up to the last of them.
    if (std::uint64_t(FSelectionCount) * 32 < FRoot->TotalCount) {
        const auto underSelected = [this](PGridNode node) {
            for (PGridNode run = node->Parent; run && run != FRoot; run = run->Parent)
                if (run->States.contains(vsSelected))
                    return true;
            return false;
        };
        for (PGridNode node : FSelection)
            if (!isMarked(node) && node->States.contains(vsSelected) && !(trimOverlapped && underSelected(node)))
                result.push_back(node);
        std::sort(result.begin(), result.end(),
                  [this](PGridNode a, PGridNode b) { return CompareNodePositions(a, b) < 0; });
        return result;
    }
    PGridNode run = FRoot->FirstChild;
    while (run && static_cast<int>(result.size()) < FSelectionCount) {
        const bool selected = run->States.contains(vsSelected);
        if (selected)
            result.push_back(run);
        if (run->FirstChild && !(selected && trimOverlapped)) {
            run = run->FirstChild;
            continue;
        }
        // Next node after this subtree.
        while (run != FRoot && !run->NextSibling)
            run = run->Parent;
        run = run == FRoot ? nullptr : run->NextSibling;
    }
    return result;
}

void TBaseTreeGrid::DeleteSelectedNodes()
{
    if (FSelectionCount == 0 || FOptions->MiscOptions().contains(toReadOnly))
        return;
    BeginUpdate();
    const std::vector<PGridNode> nodes = GetSortedSelection(true);
    // From the last to the first: no node still to be deleted needs renumbering. The handlers
    // told may remove nodes of the list first: DeleteNode passes those over.
    for (size_t i = nodes.size(); i-- > 0;)
        DeleteNode(nodes[i]);
    EndUpdate();
}

void TBaseTreeGrid::ResetRangeAnchor()
{
    FRangeAnchor = FFocusedNode;
    FLastSelectionLevel = -1;
}

int TBaseTreeGrid::CompareNodePositions(PGridNode node1, PGridNode node2, bool considerChildrenAbove) const
{
    TGAssert(node1 != nullptr && node2 != nullptr, "Nodes must never be nil.");
    // A removed node has no place in the tree any more.
    if (node1 == node2 || IsRemoved(node1) || IsRemoved(node2))
        return 0;
    const bool childrenAbove = considerChildrenAbove && FOptions->PaintOptions().contains(toChildrenAbove);
    if (HasAsParent(node2, node1))
        return childrenAbove ? 1 : -1;
    if (HasAsParent(node1, node2))
        return childrenAbove ? -1 : 1;
    std::uint32_t level1 = GetNodeLevel(node1);
    std::uint32_t level2 = GetNodeLevel(node2);
    while (level1 > level2) {
        node1 = node1->Parent;
        --level1;
    }
    while (level2 > level1) {
        node2 = node2->Parent;
        --level2;
    }
    while (node1->Parent != node2->Parent) {
        node1 = node1->Parent;
        node2 = node2->Parent;
    }
    const std::int64_t difference = std::int64_t(node1->Index) - std::int64_t(node2->Index);
    return static_cast<int>(std::clamp<std::int64_t>(difference, INT32_MIN, INT32_MAX));
}

// ---- selection by mouse

void TBaseTreeGrid::HandleClickSelection(PGridNode lastFocused, PGridNode newNode, Qt::KeyboardModifiers shift,
                                         bool dragPending)
{
    Q_UNUSED(lastFocused);
    if (!newNode || IsRemoved(newNode))
        return;
    const bool ctrl = shift.testFlag(Qt::ControlModifier);
    const bool shiftKey = shift.testFlag(Qt::ShiftModifier);
    if (!ctrl && !shiftKey) {
        if (!newNode->States.contains(vsSelected)) {
            AddToSelection(newNode);
            InvalidateNode(newNode);
        }
        if (!IsRemoved(newNode))
            FRangeAnchor = newNode;
    } else if (shiftKey && !ctrl) {
        if (!FRangeAnchor)
            FRangeAnchor = FRoot->FirstChild;
        SelectNodes(FRangeAnchor, newNode, false);
        Invalidate();
    } else if (ctrl && !shiftKey) {
        if (!FOptions->SelectionOptions().contains(toSiblingSelectConstraint))
            FRangeAnchor = newNode;
        if (dragPending) {
            // Decided on mouse up: a drag keeps the selection as it is.
            DoStateChange({tsToggleFocusedSelection});
        } else if (newNode->States.contains(vsSelected)) {
            RemoveFromSelection(newNode);
            InvalidateNode(newNode);
        } else {
            AddToSelection(newNode);
        }
    } else {
        SelectNodes(FRangeAnchor, newNode, true);
        Invalidate();
    }
}

bool TBaseTreeGrid::IsMouseSelecting() const
{
    return FStates.intersects({tsDrawSelPending, tsDrawSelecting});
}

bool TBaseTreeGrid::CalculateSelectionRect(int x, int y)
{
    if (FStates.contains(tsDrawSelecting))
        FLastSelRect = FNewSelRect;
    const QRect previous = FNewSelRect;
    const std::int64_t maxX = std::max<std::int64_t>(FRangeX, viewport()->width());
    const std::int64_t maxY = std::max<std::int64_t>(FRangeY, viewport()->height());
    const std::int64_t absoluteX = std::clamp<std::int64_t>(std::int64_t(x) + FEffectiveOffsetX, 0, maxX);
    const std::int64_t absoluteY = std::clamp<std::int64_t>(std::int64_t(y) - FOffsetY, 0, maxY);
    // The first corner stays where the band started; the second follows the mouse (the
    // rectangle's width and height may be negative).
    FNewSelRect.setWidth(int(std::min<std::int64_t>(absoluteX - FNewSelRect.x(), INT32_MAX)));
    FNewSelRect.setHeight(int(std::min<std::int64_t>(absoluteY - FNewSelRect.y(), INT32_MAX)));
    return FNewSelRect != previous;
}

bool TBaseTreeGrid::HandleDrawSelection(int x, int y)
{
    if (!CalculateSelectionRect(x, y))
        return false;
    return CollectDrawSelection();
}

bool TBaseTreeGrid::CollectDrawSelection()
{
    TTreeGridHeader *header = Header();
    TTreeGridColumns *columns = header ? header->Columns() : nullptr;
    TColumnIndex mainColumn = NoColumn;
    int nodeLeft = 0;
    int nodeRight = int(std::max<std::int64_t>(FRangeX, viewport()->width()));
    Qt::Alignment alignment = FAlignment;
    if (columns && columns->Count() > 0) {
        mainColumn = header->MainColumn();
        if (const TTreeGridColumn *column = columns->Items(mainColumn)) {
            column->GetAbsoluteBounds(nodeLeft, nodeRight);
            alignment = ToQtAlignment(column->Alignment());
        }
    }
    if (layoutDirection() == Qt::RightToLeft)
        return CollectSelectedNodesRTL(mainColumn, nodeLeft, nodeRight, alignment, FLastSelRect, FNewSelRect);
    return CollectSelectedNodesLTR(mainColumn, nodeLeft, nodeRight, alignment, FLastSelRect, FNewSelRect);
}

int TBaseTreeGrid::CheckImageWidth() const
{
    return CheckImageSize();
}

namespace {

struct TSpan {
    std::int64_t left, top, right, bottom;
};

// The band's corners are its top-left and its top-left plus the (possibly negative) size.
TSpan normalised(const QRect &r)
{
    const std::int64_t x1 = r.x(), y1 = r.y(), x2 = x1 + r.width(), y2 = y1 + r.height();
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// Half-open spans; an empty span touches nothing.
bool overlaps(std::int64_t a1, std::int64_t a2, std::int64_t b1, std::int64_t b2)
{
    return a1 < a2 && b1 < b2 && a1 < b2 && b1 < a2;
}

} // namespace

bool TBaseTreeGrid::CollectSelectedNodesLTR(TColumnIndex mainColumn, int nodeLeft, int nodeRight,
                                            Qt::Alignment alignment, const QRect &oldRect, const QRect &newRect)
{
    const TSpan oldSpan = normalised(oldRect);
    const TSpan newSpan = normalised(newRect);
    const bool simple = FOptions->SelectionOptions().contains(toSimpleDrawSelection);
    const bool mirrored = layoutDirection() == Qt::RightToLeft;
    const bool invert = FDrawSelShiftState.testFlag(Qt::ControlModifier);
    const std::int64_t unionTop = std::min(oldSpan.top, newSpan.top);
    const std::int64_t unionBottom = std::max(oldSpan.bottom, newSpan.bottom);
    const int rootLevels = FOptions->PaintOptions().contains(toShowRoot) ? 1 : 0;

    const int before = FSelectionCount;
    std::vector<PGridNode> collected;
    std::int64_t top = 0;
    for (PGridNode run = GetFirstVisible(); run && top < unionBottom; run = GetNextVisible(run)) {
        const std::int64_t height = NodeHeight(run);
        const std::int64_t bottom = top + height;
        if (bottom > unionTop) {
            // Where the node's content lies within the main column.
            std::int64_t contentLeft = std::int64_t(GetNodeLevel(run) + rootLevels) * FIndent + FMargin;
            if (run->CheckType != TCheckType::ctNone)
                contentLeft += CheckImageWidth() + 2;
            const std::int64_t width = DoGetNodeWidth(run, mainColumn);
            std::int64_t left = nodeLeft + contentLeft;
            if (alignment & Qt::AlignRight)
                left = std::max<std::int64_t>(left, nodeRight - width);
            else if (alignment & Qt::AlignHCenter)
                left = std::max<std::int64_t>(left, nodeLeft + (nodeRight - nodeLeft - width) / 2);
            std::int64_t right = left + width;
            if (mirrored) {
                const std::int64_t mirroredLeft = std::int64_t(nodeLeft) + nodeRight - right;
                right = std::int64_t(nodeLeft) + nodeRight - left;
                left = mirroredLeft;
            }
            auto isIn = [&](const TSpan &span) {
                return overlaps(top, bottom, span.top, span.bottom)
                    && (simple || overlaps(left, right, span.left, span.right));
            };
            const bool inOld = isIn(oldSpan);
            const bool inNew = isIn(newSpan);
            if (inOld != inNew) {
                const bool selected = run->States.contains(vsSelected);
                if (invert) {
                    if (selected)
                        InternalRemoveFromSelection(run);
                    else
                        collected.push_back(run);
                } else if (inNew) {
                    if (!selected)
                        collected.push_back(run);
                } else if (selected) {
                    InternalRemoveFromSelection(run);
                }
            }
        }
        top = bottom;
    }
    const bool added = InternalAddToSelection(collected.data(), static_cast<int>(collected.size()), false);
    PackSelection();
    return added || FSelectionCount != before;
}

bool TBaseTreeGrid::CollectSelectedNodesRTL(TColumnIndex mainColumn, int nodeLeft, int nodeRight,
                                            Qt::Alignment alignment, const QRect &oldRect, const QRect &newRect)
{
    // The content geometry is mirrored inside the column by the left-to-right walk.
    return CollectSelectedNodesLTR(mainColumn, nodeLeft, nodeRight, alignment, oldRect, newRect);
}

// ---- focus

bool TBaseTreeGrid::DoFocusChanging(PGridNode oldNode, PGridNode newNode, TColumnIndex oldColumn,
                                    TColumnIndex newColumn)
{
    TTreeGridHeader *header = Header();
    bool result = oldColumn == newColumn || (header && header->AllowFocus(newColumn));
    Raise(OnFocusChanging, oldNode, newNode, oldColumn, newColumn, result);
    // The focus cannot go to a node the handler removed.
    return result && !IsRemoved(newNode);
}

void TBaseTreeGrid::DoFocusChange(PGridNode node, TColumnIndex column)
{
    Raise(OnFocusChanged, node, column);
}

void TBaseTreeGrid::DoFocusNode(PGridNode node, bool ask)
{
    if (node == FRoot)
        node = nullptr;
    // An edit belongs to its own node: it ends before the focus moves, or nothing moves. Ending
    // it may open the next edit (OnEdited): one on another node than the new one ends as well.
    // The handlers that run meanwhile may delete the new node: the focus stays away from it.
    if (IsRemoved(node)
        || (FStates.contains(tsEditing) && (!EndEditNode() || !EndEditsBesides(node) || IsRemoved(node))))
        return;
    if (node != FFocusedNode) {
        if (ask
            && (!DoFocusChanging(FFocusedNode, node, FFocusedColumn, FFocusedColumn) || !EndEditsBesides(node)
                || IsRemoved(node)))
            return;
        if (FFocusedNode) {
            const bool autoExpand = FOptions->AutoOptions().contains(toAutoExpand);
            if (autoExpand && node && FFocusedNode->States.contains(vsExpanded)
                && FFocusedNode->Parent == node->Parent)
                ToggleNode(FFocusedNode);
            else
                InvalidateNode(FFocusedNode);
            if (IsRemoved(node))
                return;
        }
        FFocusedNode = node;
    }
    if (FFocusedNode) {
        TTreeGridHeader *header = Header();
        if (header && header->UseColumns() && !header->Columns()->IsValidColumn(FFocusedColumn))
            FFocusedColumn = header->MainColumn();
        if (FOptions->AutoOptions().contains(toAutoExpand) && !FFocusedNode->States.contains(vsExpanded)
            && FFocusedNode->States.contains(vsHasChildren))
            ToggleNode(FFocusedNode);
        // The handlers of the expansion may have taken the focus away (removing the node).
        if (FFocusedNode) {
            InvalidateNode(FFocusedNode);
            DoScrollIntoView(FFocusedNode);
        }
    }
    if (FSelectionCount == 0)
        ResetRangeAnchor();
}

void TBaseTreeGrid::SetFocusedNode(PGridNode node)
{
    if (IsRemoved(node))
        return;
    const bool differs = node != FFocusedNode;
    DoFocusNode(node, true);
    const PGridNode target = node == FRoot ? nullptr : node;
    if (differs && FFocusedNode == target)
        DoFocusChange(FFocusedNode, FFocusedColumn);
}

void TBaseTreeGrid::SetFocusedColumn(TColumnIndex column)
{
    if (column == FFocusedColumn)
        return;
    if (!DoFocusChanging(FFocusedNode, FFocusedNode, FFocusedColumn, column))
        return;
    CancelEditNode();
    // The handlers may have moved or removed the focus: the column follows whatever has it.
    if (FFocusedNode)
        InvalidateNode(FFocusedNode);
    FFocusedColumn = column;
    if (FFocusedNode) {
        InvalidateNode(FFocusedNode);
        if (!FOptions->AutoOptions().contains(toDisableAutoscrollOnFocus)
            && ScrollIntoView(FFocusedNode, FOptions->SelectionOptions().contains(toCenterScrollIntoView), true)
            && FFocusedNode)
            InvalidateNode(FFocusedNode);
    }
    if (FDropTargetNode)
        InvalidateNode(FDropTargetNode);
    DoFocusChange(FFocusedNode, FFocusedColumn);
}

void TBaseTreeGrid::SetFocusedNodeAndColumn(PGridNode node, TColumnIndex column)
{
    if (IsRemoved(node))
        return;
    const PGridNode oldNode = FFocusedNode;
    const TColumnIndex oldColumn = FFocusedColumn;
    TTreeGridHeader *header = Header();
    if (!header || !header->Columns()->IsValidColumn(column))
        column = FFocusedColumn;
    FFocusedColumn = column;
    DoFocusNode(node, true);
    const PGridNode target = node == FRoot ? nullptr : node;
    if (FFocusedNode == target) {
        CancelEditNode();
        if (target != oldNode || column != oldColumn)
            DoFocusChange(FFocusedNode, FFocusedColumn);
    } else {
        FFocusedColumn = oldColumn;
    }
}

void TBaseTreeGrid::MainColumnChanged()
{
    CancelEditNode();
    TTreeGridHeader *header = Header();
    if (header && !FOptions->SelectionOptions().contains(toExtendedFocus))
        FFocusedColumn = header->MainColumn();
}
