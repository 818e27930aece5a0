#include "treegrid/BaseTreeGrid.h"

#include "treegrid/TreeGridHeader.h"

// The update bracket, the deferred change notifications, tree-state changes and the counted
// long operations.

void TBaseTreeGrid::BeginUpdate()
{
    if (FDestroying)
        return;
    if (FUpdateCount == 0) {
        DoUpdating(usBegin);
        SetUpdateState(true);
    } else {
        DoUpdating(usUpdate);
    }
    ++FUpdateCount;
    DoStateChange({tsUpdating});
}

void TBaseTreeGrid::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FDestroying)
        return;
    if (FUpdateCount == 0 && FStates.contains(tsUpdating)) {
        if (FStates.contains(tsUpdateHiddenChildrenNeeded)) {
            DetermineHiddenChildrenFlagAllNodes();
            DoStateChange({}, {tsUpdateHiddenChildrenNeeded});
        } else if (FRootHiddenChildrenNeeded) {
            DetermineHiddenChildrenFlag(FRoot);
        }
        FRootHiddenChildrenNeeded = false;
        DoStateChange({}, {tsUpdating});
        PackSelection();
        InvalidateCache();
        ValidateCache();
        UpdateScrollBars(false);
        if (FStates.contains(tsStructureChangePending))
            DoStructureChange(FLastStructureChangeNode, FLastStructureChangeReason);
        if (FStates.contains(tsChangePending))
            DoChange(FLastChangedNode);
        if (FOptions->AutoOptions().contains(toAutoSort) && Header() && Header()->SortColumn() > InvalidColumn)
            SortTree(Header()->SortColumn(), Header()->SortDirection(), true);
        SetUpdateState(false);
        Invalidate();
        UpdateDesigner();
    }
    DoUpdating(FUpdateCount > 0 ? usUpdate : usEnd);
}

void TBaseTreeGrid::BeginSynch()
{
    if (FDestroying)
        return;
    if (FSynchUpdateCount == 0) {
        DoUpdating(usBeginSynch);
        DoStateChange({tsSynchMode});
    } else {
        DoUpdating(usSynch);
    }
    ++FSynchUpdateCount;
}

void TBaseTreeGrid::EndSynch()
{
    if (FSynchUpdateCount > 0)
        --FSynchUpdateCount;
    if (FDestroying)
        return;
    if (FSynchUpdateCount == 0) {
        DoStateChange({}, {tsSynchMode});
        DoUpdating(usEndSynch);
    } else {
        DoUpdating(usSynch);
    }
}

void TBaseTreeGrid::SetUpdateState(bool updating)
{
    // Redrawing is switched off only at the outer bracket edges of a shown tree; switching it
    // back on does not depend on visibility, so a tree hidden meanwhile is not left frozen.
    if (FUpdateCount != 0)
        return;
    if (!updating)
        viewport()->setUpdatesEnabled(true);
    else if (isVisible())
        viewport()->setUpdatesEnabled(false);
}

void TBaseTreeGrid::Change(PGridNode node)
{
    if (FDestroying)
        return;
    // A change about a node that is gone names none.
    if (IsRemoved(node))
        node = nullptr;
    AdviseChangeEvent(false, node, crIgnore);
    if (FUpdateCount == 0) {
        if (FChangeDelay > 0 && !FStates.contains(tsSynchMode))
            FChangeTimer.start(FChangeDelay);
        else
            DoChange(node);
    }
}

void TBaseTreeGrid::DoChange(PGridNode node)
{
    FChangeTimer.stop();
    Raise(OnChange, IsRemoved(node) ? nullptr : node);
    DoStateChange({}, {tsChangePending});
    FLastChangedNode = nullptr;
}

void TBaseTreeGrid::StructureChange(PGridNode node, TChangeReason reason)
{
    if (FDestroying)
        return;
    if (IsRemoved(node))
        node = nullptr;
    AdviseChangeEvent(true, node, reason);
    if (FUpdateCount == 0) {
        if (FChangeDelay > 0 && !FStates.contains(tsSynchMode))
            FStructureChangeTimer.start(FChangeDelay);
        else
            DoStructureChange(node, reason);
    }
}

void TBaseTreeGrid::DoStructureChange(PGridNode node, TChangeReason reason)
{
    FStructureChangeTimer.stop();
    Raise(OnStructureChange, IsRemoved(node) ? nullptr : node, reason);
    DoStateChange({}, {tsStructureChangePending});
    FLastStructureChangeNode = nullptr;
    FLastStructureChangeReason = crIgnore;
}

void TBaseTreeGrid::AdviseChangeEvent(bool structureChange, PGridNode node, TChangeReason reason)
{
    if (structureChange) {
        if (FStates.contains(tsStructureChangePending))
            FStructureChangeTimer.stop();
        else
            DoStateChange({tsStructureChangePending});
        FLastStructureChangeNode = node;
        if (FLastStructureChangeReason == crIgnore)
            FLastStructureChangeReason = reason;
        else if (reason != crIgnore)
            FLastStructureChangeReason = crAccumulated;
    } else {
        if (FStates.contains(tsChangePending))
            FChangeTimer.stop();
        else
            DoStateChange({tsChangePending});
        FLastChangedNode = node;
    }
}

void TBaseTreeGrid::DoStateChange(TTreeGridStates enter, TTreeGridStates leave)
{
    // Owners are not told about states while the tree goes away.
    if (!FDestroying && (!FStates.containsAll(enter) || FStates.intersects(leave)))
        Raise(OnStateChange, enter, leave);
    const bool wasEditing = FStates.contains(tsEditing);
    FStates = (FStates + enter) - leave;
    if (wasEditing != FStates.contains(tsEditing) && !FDestroying) {
        // A click on the tree's scroll bars would pass the focus on to the tree and so end the
        // edit; like a window's scroll bars they leave the focus where it is. A click on a row
        // still ends the edit, and the tree takes the focus itself then.
        if (!wasEditing) {
            FFocusPolicyOutsideEdit = focusPolicy();
            if (FFocusPolicyOutsideEdit != Qt::NoFocus)
                setFocusPolicy(Qt::TabFocus);
        } else {
            setFocusPolicy(FFocusPolicyOutsideEdit);
        }
    }
}

void TBaseTreeGrid::DoUpdating(TTGUpdateState state)
{
    Raise(OnUpdating, state);
}

void TBaseTreeGrid::BeginOperation()
{
    if (FOperationCount == 0)
        FOperationCanceled = false;
    ++FOperationCount;
}

void TBaseTreeGrid::EndOperation()
{
    TGAssert(FOperationCount > 0, "EndOperation must not be called when no operation in progress.");
    --FOperationCount;
}

void TBaseTreeGrid::CancelOperation()
{
    if (FOperationCount > 0)
        FOperationCanceled = true;
}

bool TBaseTreeGrid::OperationCanceled() const
{
    return FOperationCanceled && FOperationCount > 0;
}

// ---- simple event firing

void TBaseTreeGrid::DoReset(PGridNode node)
{
    Raise(OnResetNode, node);
}

bool TBaseTreeGrid::DoExpanding(PGridNode node)
{
    bool allowed = true;
    Raise(OnExpanding, node, allowed);
    // Nothing of a node the handler removed is toggled.
    return allowed && !IsRemoved(node);
}

bool TBaseTreeGrid::DoCollapsing(PGridNode node)
{
    bool allowed = true;
    Raise(OnCollapsing, node, allowed);
    return allowed && !IsRemoved(node);
}

void TBaseTreeGrid::DoExpanded(PGridNode node)
{
    Raise(OnExpanded, node);
}

void TBaseTreeGrid::DoCollapsed(PGridNode node)
{
    Raise(OnCollapsed, node);
}

bool TBaseTreeGrid::DoNodeMoving(PGridNode node, PGridNode target)
{
    bool allowed = true;
    Raise(OnNodeMoving, node, target, allowed);
    return allowed && !IsRemoved(node) && !IsRemoved(target);
}

bool TBaseTreeGrid::DoNodeCopying(PGridNode node, PGridNode target)
{
    bool allowed = true;
    Raise(OnNodeCopying, node, target, allowed);
    return allowed && !IsRemoved(node) && !IsRemoved(target);
}

void TBaseTreeGrid::DoNodeMoved(PGridNode node)
{
    Raise(OnNodeMoved, node);
}

void TBaseTreeGrid::DoNodeCopied(PGridNode node)
{
    Raise(OnNodeCopied, node);
}

void TBaseTreeGrid::DoScroll(int deltaX, int deltaY)
{
    Raise(OnScroll, deltaX, deltaY);
}
