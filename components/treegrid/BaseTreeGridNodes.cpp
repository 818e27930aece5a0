#include "treegrid/BaseTreeGrid.h"

#include "CanvasTypes.h"

#include <QScopedValueRollback>

#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHintWindow.h"
#include "treegrid/TreeGridNodeStream.h"
#include "treegrid/TreeGridRoutines.h"

#include <algorithm>
#include <cstring>
#include <iterator>

// Node blocks, user data, adding, deleting, linking, counts and heights.

namespace {

constexpr std::size_t roundUp(std::size_t value, std::size_t step)
{
    return (value + step - 1) / step * step;
}

std::uint16_t clampHeight(std::int64_t value)
{
    return std::uint16_t(std::clamp<std::int64_t>(value, 0, 0xFFFF));
}

} // namespace

// ---- node blocks

std::size_t TBaseTreeGrid::UserDataOffset() const
{
    return roundUp(sizeof(TGridNode) + FTotalInternalDataSize, NodeBlockAlignment);
}

std::size_t TBaseTreeGrid::NodeBlockSize() const
{
    return UserDataOffset() + std::size_t(std::max(FNodeDataSize, 0));
}

namespace {

PGridNode allocateBlock(std::size_t size)
{
    void *block = ::operator new(size, std::align_val_t(TBaseTreeGrid::NodeBlockAlignment));
    std::memset(block, 0, size);
    return new (block) TGridNode();
}

} // namespace

void TBaseTreeGrid::CreateRootNode()
{
    FRoot = allocateBlock(UserDataOffset());
    FRoot->PrevSibling = FRoot;
    FRoot->NextSibling = FRoot;
    FRoot->States = TGridNodeStates{vsInitialized, vsExpanded, vsHasChildren, vsVisible};
    FRoot->TotalCount = 1;
    FRoot->NodeHeight = clampHeight(FDefaultNodeHeight);
    FRoot->TotalHeight = FRoot->NodeHeight;
    FRoot->Align = 50;
    // The root has no parent link, so nodes find their tree through the root registry.
    RegisterTreeRoot(FRoot, this);
}

PGridNode TBaseTreeGrid::MakeNewNode()
{
    if (FNodeDataSize == -1)
        FNodeDataSize = std::max(DoGetNodeDataSize(), -1);
    PGridNode node = allocateBlock(NodeBlockSize());
    node->TotalCount = 1;
    node->NodeHeight = clampHeight(FDefaultNodeHeight);
    node->TotalHeight = node->NodeHeight;
    node->States = TGridNodeStates{vsVisible};
    node->Align = 50;
    if (FNodeDataConstruct)
        FNodeDataConstruct(reinterpret_cast<char *>(node) + UserDataOffset());
    return node;
}

std::uint32_t TBaseTreeGrid::AllocateInternalDataArea(std::uint32_t size)
{
    TGAssert(FRoot->ChildCount == 0 && FRoot->FirstChild == nullptr,
             "Internal data allocation must be done before any node is created.");
    const std::uint32_t offset = std::uint32_t(sizeof(TGridNode)) + FTotalInternalDataSize;
    const std::size_t oldSize = UserDataOffset();
    FTotalInternalDataSize += std::uint32_t(roundUp(size, 4));
    // The root has no children yet, so nothing points at its block but the tree itself.
    PGridNode grown = allocateBlock(UserDataOffset());
    std::memcpy(static_cast<void *>(grown), FRoot, std::min(oldSize, UserDataOffset()));
    grown->PrevSibling = grown;
    grown->NextSibling = grown;
    UnregisterTreeRoot(FRoot);
    ::operator delete(static_cast<void *>(FRoot), std::align_val_t(NodeBlockAlignment));
    FRoot = grown;
    RegisterTreeRoot(FRoot, this);
    return offset;
}

void *TBaseTreeGrid::InternalData(PGridNode node, std::uint32_t offset) const
{
    return node ? reinterpret_cast<char *>(node) + offset : nullptr;
}

// ---- user data

void TBaseTreeGrid::SetNodeDataSize(int value)
{
    value = std::max(value, -1);
    if (value == FNodeDataSize)
        return;
    if (FLoading) {
        FNodeDataSize = value;
        return;
    }
    SetTypedNodeData(value, nullptr, nullptr, nullptr);
}

void TBaseTreeGrid::SetTypedNodeData(int size, const std::type_info *type, void (*construct)(void *),
                                     void (*destroy)(void *))
{
    if (size == FNodeDataSize && type && FNodeDataType && *type == *FNodeDataType)
        return;
    const std::uint32_t count = FRoot->ChildCount;
    Clear();
    // Blocks of the old layout must not survive the change; a refused clear refuses it too.
    if (FRoot->FirstChild)
        return;
    FNodeDataSize = size;
    FNodeDataType = type;
    FNodeDataConstruct = construct;
    FNodeDataDestroy = destroy;
    SetRootNodeCount(count);
}

void *TBaseTreeGrid::GetNodeData(PGridNode node) const
{
    // A removed node's data is gone once its owner was told.
    if (!node || node == FRoot || (node != FNodeGoing && IsRemoved(node)))
        return nullptr;
    TGAssert(FNodeDataSize > 0, "NodeDataSize not initialized.");
    return reinterpret_cast<char *>(node) + UserDataOffset();
}

int TBaseTreeGrid::DoGetNodeDataSize()
{
    int size = 0;
    Raise(OnGetNodeDataSize, size);
    return size;
}

// ---- counts and heights

void TBaseTreeGrid::AdjustTotalCount(PGridNode node, std::int64_t value, bool relative)
{
    if (!node)
        return;
    const std::int64_t difference = relative ? value : value - std::int64_t(node->TotalCount);
    if (difference == 0)
        return;
    for (PGridNode run = node; run; run = (run == FRoot ? nullptr : run->Parent))
        run->TotalCount = std::uint32_t(std::int64_t(run->TotalCount) + difference);
}

void TBaseTreeGrid::AdjustTotalHeight(PGridNode node, std::int64_t value, bool relative)
{
    if (!node)
        return;
    const std::int64_t difference = relative ? value : value - std::int64_t(node->TotalHeight);
    if (difference == 0)
        return;
    InterruptValidation();
    // Every node keeps its own subtree height, hidden or not; a parent only counts children
    // that are effectively visible while it is expanded.
    for (PGridNode run = node;;) {
        run->TotalHeight = std::uint32_t(std::max<std::int64_t>(0, std::int64_t(run->TotalHeight) + difference));
        if (run == FRoot || !IsEffectivelyVisible(run))
            break;
        PGridNode parent = run->Parent;
        if (!parent || !parent->States.contains(vsExpanded))
            break;
        run = parent;
    }
}

std::uint32_t TBaseTreeGrid::RootNodeCount() const
{
    return FRoot->ChildCount;
}

void TBaseTreeGrid::SetRootNodeCount(std::uint32_t value)
{
    if (FLoading) {
        FRoot->ChildCount = value;
        DoStateChange({tsNeedRootCountUpdate});
        return;
    }
    if (value == FRoot->ChildCount)
        return;
    BeginUpdate();
    InterruptValidation();
    SetChildCount(FRoot, value);
    EndUpdate();
}

std::uint32_t TBaseTreeGrid::ChildCount(PGridNode node) const
{
    return (node ? node : FRoot)->ChildCount;
}

std::uint32_t TBaseTreeGrid::TotalCount()
{
    ValidateNode(FRoot, true);
    return FRoot->TotalCount - 1;
}

std::uint32_t TBaseTreeGrid::NodeHeight(PGridNode node)
{
    if (!node || node == FRoot)
        return 0;
    if (FOptions->MiscOptions().contains(toVariableNodeHeight)) {
        if (!node->States.contains(vsInitialized))
            InitNode(node);
        MeasureItemHeight(nullptr, node);
    }
    return node->NodeHeight;
}

void TBaseTreeGrid::SetNodeHeight(PGridNode node, std::uint32_t value)
{
    if (!node || node == FRoot || IsRemoved(node) || FOptions->MiscOptions().contains(toReadOnly))
        return;
    const std::uint16_t height = clampHeight(value);
    if (height == node->NodeHeight)
        return;
    InterruptValidation();
    const std::int64_t difference = std::int64_t(height) - node->NodeHeight;
    node->NodeHeight = height;
    AdjustTotalHeight(node, difference, true);
    if (IsRowVisible(node)) {
        InvalidateCache();
        if (FUpdateCount == 0 && !FInValidateCache) {
            ValidateCache();
            InvalidateToBottom(node);
            UpdateScrollBars(true);
        }
    }
}

void TBaseTreeGrid::SetDefaultNodeHeight(std::uint32_t value)
{
    if (value == 0)
        value = 18;
    value = clampHeight(value);
    if (value == FDefaultNodeHeight)
        return;
    InterruptValidation();
    const std::int64_t difference = std::int64_t(value) - std::int64_t(FDefaultNodeHeight);
    FDefaultNodeHeight = value;
    DoStateChange({tsNeedScale});
    FRoot->TotalHeight = std::uint32_t(std::max<std::int64_t>(0, std::int64_t(FRoot->TotalHeight) + difference));
    FRoot->NodeHeight = clampHeight(value);
    InvalidateCache();
    if (FUpdateCount == 0 && IsLive()) {
        ValidateCache();
        UpdateScrollBars(true);
        if (FFocusedNode)
            ScrollIntoView(FFocusedNode, FOptions->SelectionOptions().contains(toCenterScrollIntoView));
        Invalidate();
    }
}

void TBaseTreeGrid::MeasureItemHeight(QPainter *canvas, PGridNode node)
{
    if (!node || node == FRoot || node->States.contains(vsHeightMeasured))
        return;
    node->States.include(vsHeightMeasured);
    int height = node->NodeHeight;
    DoMeasureItem(canvas, node, height);
    if (height != node->NodeHeight && !IsRemoved(node))
        SetNodeHeight(node, std::uint32_t(std::max(height, 0)));
}

void TBaseTreeGrid::DoMeasureItem(QPainter *canvas, PGridNode node, int &nodeHeight)
{
    Raise(OnMeasureItem, canvas, node, nodeHeight);
}

// ---- initialisation

void TBaseTreeGrid::DoInitNode(PGridNode parent, PGridNode node, TGridNodeInitStates &initStates)
{
    Raise(OnInitNode, parent, node, initStates);
}

void TBaseTreeGrid::DoInitChildren(PGridNode node, std::uint32_t &childCount)
{
    Raise(OnInitChildren, node, childCount);
}

void TBaseTreeGrid::InitNode(PGridNode node)
{
    if (!node || node == FRoot || IsRemoved(node))
        return;
    // Set first, so that a handler may already use the node.
    node->States.include(vsInitialized);
    TGridNodeInitStates initStates;
    DoInitNode(node->Parent == FRoot ? nullptr : node->Parent, node, initStates);
    if (IsRemoved(node))
        return;
    if (initStates.contains(ivsDisabled))
        node->States.include(vsDisabled);
    if (initStates.contains(ivsHasChildren))
        node->States.include(vsHasChildren);
    if (initStates.contains(ivsSelected))
        InternalAddToSelection(node, false);
    if (initStates.contains(ivsMultiline))
        node->States.include(vsMultiline);
    if (node->States.contains(vsExpanded) != initStates.contains(ivsExpanded)) {
        if (initStates.contains(ivsExpanded))
            ToggleNode(node);
        else if (node->States.contains(vsHasChildren))
            InitChildren(node);
    }
}

void TBaseTreeGrid::InitChildren(PGridNode node)
{
    if (!node || node == FRoot || IsRemoved(node) || !node->States.contains(vsHasChildren))
        return;
    std::uint32_t count = node->ChildCount;
    DoInitChildren(node, count);
    if (IsRemoved(node))
        return;
    // Children asked for on the fly (while painting, iterating) below the deepest level a
    // stream can hold are not made: raising an error there would reach no caller.
    if (count > node->ChildCount && !NestingAllows(node, amAddChildLast, 0))
        count = node->ChildCount;
    if (count == 0) {
        DeleteChildren(node, false);
        node->States.exclude(vsHasChildren);
    } else {
        SetChildCount(node, count);
    }
}

bool TBaseTreeGrid::DoInitChildrenIfNeeded(PGridNode node)
{
    if (node && node != FRoot && node->States.contains(vsHasChildren) && node->ChildCount == 0)
        InitChildren(node);
    return node && node->ChildCount > 0;
}

void TBaseTreeGrid::ValidateNode(PGridNode node, bool recursive)
{
    if (!node)
        node = FRoot;
    if (node != FRoot && !node->States.contains(vsInitialized))
        InitNode(node);
    if (recursive)
        ValidateChildren(node, true);
}

void TBaseTreeGrid::ValidateChildren(PGridNode node, bool recursive)
{
    if (!node)
        node = FRoot;
    DoInitChildrenIfNeeded(node);
    for (PGridNode child = node->FirstChild; child && !IsRemoved(node);) {
        if (!child->States.contains(vsInitialized))
            InitNode(child);
        if (recursive)
            ValidateChildren(child, true);
        // A child removed on the way has no siblings any more: the walk goes on from the
        // first child not yet initialised.
        if (!IsRemoved(child)) {
            child = child->NextSibling;
            continue;
        }
        child = node->FirstChild;
        while (child && child->States.contains(vsInitialized) && !recursive)
            child = child->NextSibling;
    }
}

void TBaseTreeGrid::ReinitNode(PGridNode node, bool recursive)
{
    if (IsRemoved(node))
        return;
    if (node && node != FRoot) {
        node->States.exclude({vsChecking, vsCutOrCopy, vsDeleting, vsHeightMeasured});
        InitNode(node);
    }
    if (recursive && !IsRemoved(node))
        ReinitChildren(node, true);
}

void TBaseTreeGrid::ReinitChildren(PGridNode node, bool recursive)
{
    if (!node)
        node = FRoot;
    InitChildren(node);
    std::vector<PGridNode> children;
    for (PGridNode child = node->FirstChild; child; child = child->NextSibling)
        children.push_back(child);
    for (PGridNode child : children)
        if (!IsRemoved(child))
            ReinitNode(child, recursive);
}

void TBaseTreeGrid::ResetNode(PGridNode node)
{
    if (!node || node == FRoot) {
        Clear();
        return;
    }
    if (IsRemoved(node) || !CancelEditOf(node))
        return;
    DoReset(node);
    if (IsRemoved(node))
        return;
    DeleteChildren(node, false);
    if (IsRemoved(node))
        return;
    node->States.exclude({vsInitialized, vsChecking, vsCutOrCopy, vsDeleting, vsExpanded, vsHasChildren,
                          vsHeightMeasured});
    InvalidateNode(node);
}

// ---- adding

void TBaseTreeGrid::SortIfAutoSort(PGridNode node)
{
    if (FOptions->AutoOptions().contains(toAutoSort) && Header() && Header()->SortColumn() > InvalidColumn)
        Sort(node, Header()->SortColumn(), Header()->SortDirection(), true);
}

PGridNode TBaseTreeGrid::AddChild(PGridNode parent, void *userData)
{
    if (FOptions->MiscOptions().contains(toReadOnly))
        return nullptr;
    // Refused before anything changes, as a paste or a move that would nest too deeply.
    if (!NestingAllows(parent, amAddChildLast, 0))
        nodestream::RefuseNesting();
    if (IsRemoved(parent))
        return nullptr;
    // A handler of the edit's end may delete the parent: nothing is added then.
    if (FStates.intersects({tsEditing, tsEditPending}))
        CancelEditNode();
    if (!parent)
        parent = FRoot;
    if (!parent->States.contains(vsInitialized))
        InitNode(parent);
    if (IsRemoved(parent))
        return nullptr;

    {
        const TUpdateCountHold hold(*this);
        SetChildCount(parent, parent->ChildCount + 1);
    }
    parent->States.exclude(vsAllChildrenHidden);
    PGridNode result = parent->LastChild;

    const char *userDataError = nullptr;
    if (userData) {
        // A pointer needs pointer-sized room, and typed data owns its area.
        if (FNodeDataType)
            userDataError = "Cannot set initial user data on typed node data.";
        else if (FNodeDataSize < int(sizeof(void *)))
            userDataError = "Cannot set initial user data because there is not enough user data space allocated.";
        else {
            std::memcpy(GetNodeData(result), &userData, sizeof(void *));
            result->States.include(vsInitialUserData);
        }
    }

    InvalidateCache();
    if (FUpdateCount == 0) {
        ValidateCache();
        if (FStates.contains(tsStructureChangePending)) {
            // Report what the child count change recorded, as a plain addition.
            FLastStructureChangeReason = crChildAdded;
            DoStructureChange(parent == FRoot ? nullptr : parent, crChildAdded);
        }
        // The handlers told may remove the parent, or the new node.
        if (!IsRemoved(parent))
            SortIfAutoSort(parent);
        if (!IsRemoved(parent))
            InvalidateToBottom(parent);
        UpdateScrollBars(true);
    }
    if (userDataError)
        throw ETreeGridError(QString::fromLatin1(userDataError), 2008);
    // The handlers told about the new node may have removed it already.
    return IsRemoved(result) ? nullptr : result;
}

void TBaseTreeGrid::SetChildCount(PGridNode node, std::uint32_t newChildCount)
{
    if (FOptions->MiscOptions().contains(toReadOnly) || IsRemoved(node))
        return;
    if (!node)
        node = FRoot;
    if (newChildCount == 0) {
        DeleteChildren(node, false);
        return;
    }
    if (newChildCount == node->ChildCount)
        return;
    const bool grows = newChildCount > node->ChildCount;
    // Every tree must be one its own stream can be read back into.
    if (grows && !NestingAllows(node, amAddChildLast, 0))
        nodestream::RefuseNesting();

    InterruptValidation();
    if (!grows) {
        while (node->ChildCount > newChildCount && node->LastChild) {
            const PGridNode last = node->LastChild;
            DeleteNode(last, true);
            if (node->LastChild == last)
                break;
        }
    } else {
        node->States.exclude({vsAllChildrenHidden, vsHeightMeasured});
        std::uint32_t index = 0;
        if (node->ChildCount == 0 || !node->LastChild)
            node->States.include(vsHasChildren);
        else
            index = node->LastChild->Index + 1;
        const std::uint32_t added = newChildCount - node->ChildCount;
        std::int64_t addedHeight = 0;
        PGridNode last = node->LastChild;
        for (std::uint32_t i = 0; i < added; ++i) {
            PGridNode child = MakeNewNode();
            AppendChildLink(node, last, child, index++);
            addedHeight += child->NodeHeight;
        }
        node->LastChild = last;
        if (node->States.contains(vsExpanded)) {
            AdjustTotalHeight(node, addedHeight, true);
            if (IsRowVisible(node))
                FVisibleCount += added;
        }
        AdjustTotalCount(node, added, true);
        node->ChildCount = newChildCount;
        InvalidateCache();
        if (FUpdateCount == 0)
            SortIfAutoSort(node);
    }

    if (FUpdateCount == 0) {
        ValidateCache();
        UpdateScrollBars(true);
        Invalidate();
    }
    // Shrinking already reported each deletion.
    if (grows && !IsRemoved(node))
        StructureChange(node == FRoot ? nullptr : node, crChildAdded);
}

// ---- linking

void TBaseTreeGrid::AppendChildLink(PGridNode parent, PGridNode &last, PGridNode child, std::uint32_t index)
{
    child->Parent = parent;
    child->Index = index;
    child->PrevSibling = last;
    if (last)
        last->NextSibling = child;
    else
        parent->FirstChild = child;
    last = child;
}

void TBaseTreeGrid::ResolveAttachTarget(PGridNode &target, TTGNodeAttachMode &mode) const
{
    if (!target)
        target = FRoot;
    if (target == FRoot) {
        if (mode == amInsertBefore)
            mode = amAddChildFirst;
        else if (mode == amInsertAfter)
            mode = amAddChildLast;
    }
}

void TBaseTreeGrid::InternalConnectNode(PGridNode node, PGridNode destination, TBaseTreeGrid *target,
                                        TTGNodeAttachMode mode)
{
    TGAssert(node && node != FRoot, "Node must neither be nil nor the root node.");
    TGAssert(target == nullptr || target == this, "Invalid parameters.");
    if (mode == amNoWhere)
        return;
    InterruptValidation();
    if (!destination)
        destination = FRoot;

    PGridNode parent = nullptr;
    switch (mode) {
    case amInsertBefore:
        TGAssert(destination != FRoot, "Invalid parameters.");
        parent = destination->Parent;
        node->PrevSibling = destination->PrevSibling;
        node->NextSibling = destination;
        destination->PrevSibling = node;
        if (node->PrevSibling)
            node->PrevSibling->NextSibling = node;
        else
            parent->FirstChild = node;
        break;
    case amInsertAfter:
        TGAssert(destination != FRoot, "Invalid parameters.");
        parent = destination->Parent;
        node->NextSibling = destination->NextSibling;
        node->PrevSibling = destination;
        destination->NextSibling = node;
        if (node->NextSibling)
            node->NextSibling->PrevSibling = node;
        else
            parent->LastChild = node;
        break;
    case amAddChildFirst:
        parent = destination;
        node->PrevSibling = nullptr;
        node->NextSibling = parent->FirstChild;
        if (parent->FirstChild)
            parent->FirstChild->PrevSibling = node;
        else
            parent->LastChild = node;
        parent->FirstChild = node;
        break;
    case amAddChildLast:
    default:
        parent = destination;
        node->NextSibling = nullptr;
        node->PrevSibling = parent->LastChild;
        if (parent->LastChild)
            parent->LastChild->NextSibling = node;
        else
            parent->FirstChild = node;
        parent->LastChild = node;
        break;
    }
    node->Parent = parent;

    // Reading the previous position renumbers any stale run before it; the loop does the rest.
    std::uint32_t index = node->PrevSibling ? node->PrevSibling->Index + 1 : 0;
    for (PGridNode run = node; run; run = run->NextSibling)
        run->Index = index++;
    ForgetStaleIndexes(parent);

    ++parent->ChildCount;
    parent->States.include(vsHasChildren);
    node->States.exclude({vsChecking, vsCutOrCopy, vsDeleting, vsClearing});
    AdjustTotalCount(parent, node->TotalCount, true);
    if (parent->States.contains(vsExpanded) && IsEffectivelyVisible(node))
        AdjustTotalHeight(parent, node->TotalHeight, true);
    if (IsRowVisible(node))
        FVisibleCount += 1 + CountVisibleChildren(node);

    if (IsEffectivelyVisible(node))
        parent->States.exclude(vsAllChildrenHidden);
    else if (parent->ChildCount == 1)
        parent->States.include(vsAllChildrenHidden);
}

bool TBaseTreeGrid::InternalDisconnectNode(PGridNode node, bool keepFocus)
{
    TGAssert(node && node != FRoot, "Node must neither be nil nor the root node.");
    InterruptValidation();
    if (node == FFocusedNode && !keepFocus) {
        DoFocusNode(nullptr, false);
        DoFocusChange(FFocusedNode, FFocusedColumn);
        if (IsRemoved(node))
            return false;
    }
    if (node == FRangeAnchor)
        ResetRangeAnchor();

    PGridNode parent = node->Parent;
    if (!node->States.contains(vsDeleting)) {
        node->States.exclude(vsChecking);
        const bool rowVisible = IsRowVisible(node);
        if (parent->States.contains(vsExpanded) && IsEffectivelyVisible(node))
            AdjustTotalHeight(parent, -std::int64_t(node->TotalHeight), true);
        AdjustTotalCount(parent, -std::int64_t(node->TotalCount), true);
        if (rowVisible)
            FVisibleCount -= 1 + CountVisibleChildren(node);
        --parent->ChildCount;
        if (parent->ChildCount == 0) {
            parent->States.exclude({vsAllChildrenHidden, vsHasChildren});
            if (parent != FRoot)
                parent->States.exclude(vsExpanded);
        }
    }

    NoteUnlinking(node);
    if (node->PrevSibling)
        node->PrevSibling->NextSibling = node->NextSibling;
    else
        parent->FirstChild = node->NextSibling;
    if (node->NextSibling)
        node->NextSibling->PrevSibling = node->PrevSibling;
    else
        parent->LastChild = node->PrevSibling;
    node->PrevSibling = nullptr;
    node->NextSibling = nullptr;

    // After the unlink, so that the node itself no longer counts.
    if (!node->States.contains(vsDeleting) && !parent->States.contains(vsClearing)) {
        if (FUpdateCount > 0)
            NoteHiddenChildrenChange(parent);
        else
            DetermineHiddenChildrenFlag(parent);
    }
    return true;
}

std::uint32_t TBaseTreeGrid::SubtreeDepth(PGridNode node) const
{
    std::uint32_t deepest = 0;
    std::uint32_t depth = 0;
    for (PGridNode run = node; run;) {
        if (run->FirstChild) {
            run = run->FirstChild;
            deepest = std::max(deepest, ++depth);
            continue;
        }
        while (run != node && !run->NextSibling) {
            run = run->Parent;
            --depth;
        }
        run = run == node ? nullptr : run->NextSibling;
    }
    return deepest;
}

bool TBaseTreeGrid::NestingAllows(PGridNode target, TTGNodeAttachMode mode, std::uint32_t depthBelow) const
{
    ResolveAttachTarget(target, mode);
    const bool child = mode == amAddChildFirst || mode == amAddChildLast;
    const std::uint64_t level = target == FRoot ? 0 : GetNodeLevel(target) + (child ? 1 : 0);
    return level + depthBelow <= std::uint64_t(nodestream::MaxDepth);
}

void TBaseTreeGrid::MoveTo(PGridNode source, PGridNode target, TTGNodeAttachMode mode, bool childrenOnly)
{
    if (!source || source == FRoot || mode == amNoWhere)
        return;
    if (!target)
        target = FRoot;
    // The moved nodes are the source or its children: neither can go below itself.
    if ((target == source && !childrenOnly) || HasAsParent(target, source))
        throw ETreeGridError(QStringLiteral("Target node cannot be a child node of the node to be moved."), 0);
    if (FOptions->MiscOptions().contains(toReadOnly))
        return;
    if ((mode == amInsertBefore || mode == amInsertAfter) && target == FRoot)
        return;
    const std::uint32_t depth = SubtreeDepth(source);
    if (!NestingAllows(target, mode, childrenOnly && depth > 0 ? depth - 1 : depth))
        nodestream::RefuseNesting();

    std::vector<PGridNode> nodes;
    if (childrenOnly) {
        for (PGridNode run = source->FirstChild; run; run = run->NextSibling)
            nodes.push_back(run);
        // Inserting one after another at the same spot reverses the order for these modes.
        if (mode == amInsertAfter || mode == amAddChildFirst)
            std::reverse(nodes.begin(), nodes.end());
    } else {
        nodes.push_back(source);
    }

    BeginUpdate();
    for (PGridNode node : nodes) {
        // The handlers asked or told may remove the target or nodes still to move.
        if (IsRemoved(target) || IsRemoved(node) || !DoNodeMoving(node, target) || IsRemoved(target)
            || IsRemoved(node) || node == target || HasAsParent(target, node))
            continue;
        NoteHiddenChildrenChange(node->Parent);
        InternalDisconnectNode(node, true);
        InternalConnectNode(node, target, this, mode);
        NoteHiddenChildrenChange(node->Parent);
        DoNodeMoved(node);
        StructureChange(node, crNodeMoved);
    }
    InvalidateCache();
    EndUpdate();
}

// ---- deleting

void TBaseTreeGrid::DoFreeNode(PGridNode node)
{
    // The one place where a node, unlinked already, goes for good. It counts as removed from
    // here on, so that no handler can delete it twice; its data is still there until the owner
    // was told (the handlers may read it meanwhile). The tree forgets every reference to it,
    // and the block is released at once, or, while a handler or an event of the tree runs,
    // from the event loop.
    FRemovedNodes.Add(node);
    // Children a handler gave the node while it was being unlinked (the focus left it) go with
    // it; the counts of the tree lost them with the node already.
    while (const PGridNode child = node->LastChild) {
        node->LastChild = child->PrevSibling;
        if (child->States.contains(vsSelected))
            InternalRemoveFromSelection(child);
        DoFreeNode(child);
    }
    const QScopedValueRollback<PGridNode> going(FNodeGoing, node);
    ForgetExchangedNode(node);
    if (node == FFocusedNode)
        FFocusedNode = nullptr;
    if (node == FRangeAnchor)
        FRangeAnchor = nullptr;
    if (node == FEditNode)
        DropEditOf(node);
    if (node == FLastChangedNode)
        FLastChangedNode = nullptr;
    if (node == FLastStructureChangeNode)
        FLastStructureChangeNode = nullptr;
    if (node == FCurrentHotNode)
        FCurrentHotNode = nullptr;
    if (node == FDropTargetNode)
        FDropTargetNode = nullptr;
    if (node == FLastDragTarget)
        FLastDragTarget = nullptr;
    if (node == FLastSearchNode)
        FLastSearchNode = nullptr;
    if (node == FLastTop.Node)
        FLastTop = TCacheEntry();
    if (node == FCheckNode)
        FCheckNode = nullptr;
    if (node == FHeightTrackNode)
        FHeightTrackNode = nullptr;
    if (FHintWindow && FHintWindow->HintData().Node == node) {
        CancelHint();
        FHintWindow->HintData() = TTGHintData();
    }
    if (node->States.intersects({vsInitialized, vsInitialUserData}))
        Raise(OnFreeNode, node);
    if (FNodeDataDestroy)
        FNodeDataDestroy(reinterpret_cast<char *>(node) + UserDataOffset());
    // What is left of the node links to nothing and shows nowhere.
    node->States = TGridNodeStates{};
    node->Parent = nullptr;
    node->PrevSibling = nullptr;
    node->NextSibling = nullptr;
    node->FirstChild = nullptr;
    node->LastChild = nullptr;
    node->ChildCount = 0;
    FRemovedNodes.Done(node);
}

void TBaseTreeGrid::DeleteNode(PGridNode node, bool)
{
    if (!node || node == FRoot || IsRemoved(node) || FOptions->MiscOptions().contains(toReadOnly))
        return;
    TGAssert(!FStates.contains(tsIterating), "Deleting nodes during tree iteration leads to invalid pointers.");
    // The editor must not outlive its node. Every handler told on the way may delete the node
    // itself (or its parent): then there is nothing left to do.
    if (!CancelEditOf(node))
        return;

    PGridNode parent = node->Parent;
    const bool parentClearing = parent->States.contains(vsClearing);
    if (!parentClearing) {
        StructureChange(parent == FRoot ? nullptr : parent, crChildDeleted);
        if (IsRemoved(node))
            return;
    }
    const int oldOffsetX = FOffsetX;
    const int oldOffsetY = FOffsetY;

    if (!node->States.contains(vsSelected)) {
        if (!parentClearing)
            InvalidateToBottom(parent);
    } else if (FUpdateCount > 0) {
        InternalRemoveFromSelection(node);
    } else {
        // Synchronous: the change must be reported while the node still exists.
        const bool wasSynch = FStates.contains(tsSynchMode);
        DoStateChange({tsSynchMode});
        RemoveFromSelection(node);
        if (!wasSynch)
            DoStateChange({}, {tsSynchMode});
        if (IsRemoved(node))
            return;
        InvalidateToBottom(parent);
    }

    KeepCopyBeforeFree(node);
    DeleteChildren(node, false);
    if (IsRemoved(node) || !InternalDisconnectNode(node, false))
        return;
    DoFreeNode(node);

    if (!parentClearing && !IsRemoved(parent)) {
        if (FUpdateCount > 0)
            NoteHiddenChildrenChange(parent);
        else
            DetermineHiddenChildrenFlag(parent);
        InvalidateCache();
        if (FUpdateCount == 0) {
            ValidateCache();
            UpdateScrollBars(true);
            if (oldOffsetX != FOffsetX || oldOffsetY != FOffsetY)
                Invalidate();
        }
    }
}

void TBaseTreeGrid::DeleteChildren(PGridNode node, bool resetHasChildren)
{
    if (!node)
        node = FRoot;
    if (IsRemoved(node) || !node->FirstChild || FOptions->MiscOptions().contains(toReadOnly))
        return;
    TGAssert(!FStates.contains(tsIterating), "Deleting nodes during tree iteration leads to invalid pointers.");
    KeepCopyBeforeFree(node);

    TUpdateCountHold hold(*this);
    InterruptValidation();
    const int oldOffsetX = FOffsetX;
    const int oldOffsetY = FOffsetY;
    const bool parentVisible = node == FRoot || (IsRowVisible(node) && node->States.contains(vsExpanded));

    node->States.include(vsClearing);
    // The handlers told on the way (OnFreeNode) may delete any child, or the node itself: the
    // last child is taken afresh each time.
    while (const PGridNode child = node->LastChild) {
        child->States.include(vsDeleting);
        // Each level takes its own rows off: the recursion handles the deeper ones.
        if (parentVisible && IsEffectivelyVisible(child) && FVisibleCount > 0)
            --FVisibleCount;
        DeleteNode(child, false);
        if (node->LastChild == child)
            break;
    }
    const bool removed = IsRemoved(node);
    if (!removed) {
        node->States.exclude(vsClearing);
        if (resetHasChildren)
            node->States.exclude(vsHasChildren);
        if (node != FRoot)
            node->States.exclude(vsExpanded);
        node->ChildCount = 0;

        if (node != FRoot && !node->States.contains(vsDeleting)) {
            AdjustTotalHeight(node, node->NodeHeight, false);
            AdjustTotalCount(node, 1, false);
        } else {
            node->TotalHeight = node->NodeHeight;
            node->TotalCount = 1;
        }
        node->FirstChild = nullptr;
        node->LastChild = nullptr;
        ForgetStaleIndexes(node);
    }

    hold.Release();
    InvalidateCache();
    if (FUpdateCount == 0 && !FDestroying) {
        PackSelection();
        ValidateCache();
        UpdateScrollBars(true);
        if (!removed && oldOffsetX == FOffsetX && oldOffsetY == FOffsetY)
            InvalidateToBottom(node);
        else
            Invalidate();
    }
    if (!removed && !node->States.contains(vsDeleting))
        StructureChange(node == FRoot ? nullptr : node, crChildDeleted);
}

void TBaseTreeGrid::Clear()
{
    if (FOptions->MiscOptions().contains(toReadOnly) && !FDestroying)
        return;
    BeginUpdate();
    InterruptValidation();
    if (FDestroying) {
        FEditLink.reset();
        DoStateChange({}, {tsEditing, tsEditPending});
    } else {
        CancelEditNode();
    }
    if (FDestroying)
        InternalClearSelection();
    else
        ClearSelection();
    FFocusedNode = nullptr;
    FRangeAnchor = nullptr;
    FLastSelectionLevel = -1;
    FCheckNode = nullptr;
    FHeightTrackNode = nullptr;
    FLastChangedNode = nullptr;
    FCurrentHotNode = nullptr;
    FDropTargetNode = nullptr;
    FLastDragTarget = nullptr;
    FLastSearchNode = nullptr;
    DeleteChildren(FRoot, true);
    CancelCutOrCopy();
    FOffsetX = 0;
    FOffsetY = 0;
    EndUpdate();
}

// ---- repainting

QRect TBaseTreeGrid::InvalidateNode(PGridNode node)
{
    // A tree that is not shown has nothing to repaint (and need not look for the row).
    if (!node || node == FRoot || IsRemoved(node) || FUpdateCount > 0 || FDestroying || !isVisible())
        return QRect();
    const QRect r = GetDisplayRect(node, NoColumn, false, true);
    if (!r.isNull())
        viewport()->update(r.intersected(viewport()->rect()));
    return r;
}

void TBaseTreeGrid::InvalidateToBottom(PGridNode node)
{
    if (FUpdateCount > 0 || FDestroying)
        return;
    if (!node || node == FRoot) {
        Invalidate();
        return;
    }
    if (IsRemoved(node) || !node->States.contains(vsInitialized) || !IsEffectivelyVisible(node))
        return;
    const QRect r = GetDisplayRect(node, NoColumn, false, true);
    if (r.isNull() || r.top() >= ClientHeight())
        return;
    FinishAnimation();
    viewport()->update(MakeRect(0, std::max(r.top(), 0), ClientWidth(), ClientHeight()));
}

void TBaseTreeGrid::RepaintNode(PGridNode node)
{
    if (!node || node == FRoot || IsRemoved(node) || !isVisible() || FUpdateCount > 0)
        return;
    const QRect r = GetDisplayRect(node, NoColumn, false, true);
    if (!r.isNull())
        viewport()->repaint(r.intersected(viewport()->rect()));
}
