// What a press, a release and a double click on the rows do: focus, selection with Shift and
// Ctrl, the rubber band's start, check boxes, expanding, node height tracking, column clicks,
// popup menus, and the places where editing and dragging start.

#include "treegrid/BaseTreeGrid.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>

#include "treegrid/TreeGridHeader.h"

void TBaseTreeGrid::HandleMouseDown(const TTGMouseMessage &message, THitInfo &hitInfo)
{
    const int x = message.Pos.x();
    const int y = message.Pos.y();
    if (IsPanning()) {
        StopWheelPanning();
        return;
    }
    if (FStates.contains(tsEditPending)) {
        FEditTimer.stop();
        DoStateChange({}, {tsEditPending});
    }
    bool hitChanged = false;
    if (FStates.contains(tsEditing)) {
        if (!EndEditNode())
            return;
        // The handlers of the edit's end may have deleted or moved the rows under the pointer.
        hitChanged = true;
    }
    if (!hasFocus() && CanFocus()) {
        setFocus(Qt::MouseFocusReason);
        hitChanged = true;
    }
    if (hitChanged)
        GetHitTestInfoAt(x, y, true, hitInfo);

    TTreeGridHeader *header = Header();
    TTreeGridColumns *columns = header->Columns();
    columns->SetClickIndex(hitInfo.HitColumn);

    const TTGSelectionOptions selection = FOptions->SelectionOptions();
    const TTGMiscOptions misc = FOptions->MiscOptions();
    const THitPositions hit = hitInfo.HitPositions;
    const PGridNode node = hitInfo.HitNode;

    bool newColumn = false;
    TColumnIndex column = FFocusedColumn;
    if (hit.contains(hiOnItemLabel) || selection.contains(toFullRowSelect) || misc.contains(toGridExtensions)) {
        newColumn = hitInfo.HitColumn != FFocusedColumn;
        column = selection.contains(toExtendedFocus) ? hitInfo.HitColumn : header->MainColumn();
    }
    if (newColumn && !header->AllowFocus(column)) {
        newColumn = false;
        column = FFocusedColumn;
    }
    const bool newNode = node != FFocusedNode;

    Qt::KeyboardModifiers shiftState = message.Keys & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool altPressed = shiftState.testFlag(Qt::AltModifier);
    shiftState &= ~Qt::KeyboardModifiers(Qt::AltModifier);

    const bool isLabelHit = !altPressed && !selection.contains(toSimpleDrawSelection)
                            && hit.intersects({hiOnItemLabel, hiOnNormalIcon});
    const bool isCellHit = !altPressed && !isLabelHit && node && !hit.intersects({hiOnItemButton, hiOnItemCheckbox})
                           && (selection.contains(toFullRowSelect)
                               || (misc.contains(toGridExtensions) && hitInfo.HitColumn > NoColumn));
    const bool isAnyHit = isLabelHit || isCellHit;
    const bool multiSelect = selection.contains(toMultiSelect);
    const bool shiftEmpty = shiftState == Qt::NoModifier;
    const bool nodeSelected = isAnyHit && node->States.contains(vsSelected);
    const bool fullRowDrag = misc.contains(toFullRowDrag);
    const bool isHeightTracking = message.Button == Qt::LeftButton && CanTrackNodeHeight(hitInfo);

    bool autoDrag = (FDragMode == dmAutomatic || FStates.intersects({tsOLEDragging, tsVCLDragging}))
                    && (!isCellHit || fullRowDrag);
    if (!autoDrag && node && FDragMode == dmManual)
        autoDrag = DoBeforeDrag(node, column) && (!isCellHit || fullRowDrag);
    // Every handler told from here on may remove the node under the pointer: the press does
    // no more with it then.
    if (IsRemoved(node))
        return;

    if (isHeightTracking) {
        const PGridNode tracked = hit.contains(hiUpperSplitter) ? GetPreviousVisible(node) : node;
        if (tracked && tracked != FRoot) {
            FHeightTrackNode = tracked;
            FHeightTrackColumn = hitInfo.HitColumn;
            FHeightTrackPoint = GetDisplayRect(tracked, NoColumn, false).topLeft();
            DoStateChange({tsNodeHeightTrackPending});
            return;
        }
    }

    if (node && hit.contains(hiOnItemButton) && node->States.contains(vsHasChildren)) {
        ToggleNode(node);
        return;
    }

    if (node && hit.contains(hiOnItemCheckbox)) {
        PressCheckBox(node, tsMouseCheckPending);
        return;
    }

    if ((FRoot->ChildCount > 0 && shiftEmpty) || FSelectionCount == 0) {
        if (node) {
            FLastSelectionLevel = int(GetNodeLevel(node));
        } else if (const PGridNode last = GetLastVisibleNoInit()) {
            FLastSelectionLevel = int(GetNodeLevel(last));
        }
    }

    // A press on a selected node may start a drag of the whole selection: clear only on release.
    if (multiSelect && shiftEmpty && !hit.contains(hiOnItemCheckbox) && isAnyHit && autoDrag && nodeSelected
        && !FSelectionLocked)
        DoStateChange({tsClearPending});

    const bool canClear = !autoDrag && (!message.Buttons.testFlag(Qt::RightButton)
                                        || !HasPopupMenu(node, hitInfo.HitColumn, message.Pos));
    if (IsRemoved(node))
        return;
    if (!FSelectionLocked
        && ((!isAnyHit && !fullRowDrag && multiSelect && shiftEmpty)
            || (isAnyHit && (!nodeSelected || canClear) && (shiftEmpty || !multiSelect)))) {
        if (nodeSelected || (altPressed && node && hitInfo.HitColumn == MainColumn())) {
            // The node stays selected: the others go without a notification for the node.
            const bool several = FSelectionCount > 1;
            InternalClearSelection();
            InternalAddToSelection(node, false);
            if (several) {
                Invalidate();
                Change(nullptr);
            }
        } else {
            ClearSelection();
        }
        if (IsRemoved(node))
            return;
    }

    if (hasFocus() && (hit.contains(hiOnItemLabel) || (misc.contains(toGridExtensions) && hit.contains(hiOnItem)))
        && nodeSelected && !newColumn && shiftEmpty)
        DoStateChange({tsEditPending}); // where a click starts an edit of the focused cell

    if (!selection.contains(toDisableDrawSelection) && !isLabelHit && !fullRowDrag && multiSelect) {
        DoStateChange({tsDrawSelPending});
        FDrawSelShiftState = shiftState;
        FNewSelRect = QRect(QPoint(int(x + FEffectiveOffsetX), y - FOffsetY), QSize(0, 0));
        FLastSelRect = QRect();
        if (!isCellHit)
            return;
    }

    FLastClickPos = message.Pos;

    if (isAnyHit && DoFocusChanging(FFocusedNode, node, FFocusedColumn, column)) {
        if (newColumn) {
            InvalidateColumn(FFocusedColumn);
            InvalidateColumn(column);
            FFocusedColumn = column;
        }
        const PGridNode lastFocused = FFocusedNode;
        if (newNode)
            DoFocusNode(node, false);
        if (IsRemoved(node))
            return;
        if (multiSelect && !shiftEmpty) {
            HandleClickSelection(lastFocused, node, shiftState, autoDrag);
        } else if (shiftEmpty) {
            FRangeAnchor = node;
            if (!nodeSelected)
                AddToSelection(node);
        }
        if (IsRemoved(node))
            return;
        if (newNode || newColumn) {
            if (FFocusedNode)
                ScrollIntoView(FFocusedNode, false, !FOptions->AutoOptions().contains(toDisableAutoscrollOnFocus));
            DoFocusChange(FFocusedNode, FFocusedColumn);
        }
    }

    if (autoDrag && isAnyHit && message.Buttons != Qt::NoButton && !IsRemoved(node))
        BeginDrag(false);
}

void TBaseTreeGrid::HandleMouseUp(const TTGMouseMessage &message, const THitInfo &hitInfo)
{
    if (FStates.contains(tsVCLDragPending))
        return;
    if (IsMouseSelecting()) {
        DoStateChange({}, {tsDrawSelecting, tsDrawSelPending, tsToggleFocusedSelection});
        Invalidate();
    }
    if (FStates.contains(tsClearPending)) {
        const bool focusedSelected = FFocusedNode && FFocusedNode->States.contains(vsSelected);
        ClearSelection();
        // The handler told may have removed the focused node (and with it the focus).
        if (focusedSelected && FFocusedNode)
            AddToSelection(FFocusedNode);
    }
    if (FStates.contains(tsToggleFocusedSelection) && FFocusedNode && hitInfo.HitNode == FFocusedNode) {
        if (FFocusedNode->States.contains(vsSelected))
            RemoveFromSelection(FFocusedNode);
        else
            AddToSelection(FFocusedNode);
        if (FFocusedNode)
            InvalidateNode(FFocusedNode);
    }
    DoStateChange({}, {tsOLEDragPending, tsOLEDragging, tsClearPending, tsDrawSelPending, tsToggleFocusedSelection,
                       tsScrollPending, tsScrolling});
    if (!IsPanning())
        FScrollTimer.stop();

    // Released over another place: the press is withdrawn.
    if (FStates.contains(tsMouseCheckPending))
        ReleaseCheckBox(tsMouseCheckPending,
                        hitInfo.HitNode == FCheckNode && hitInfo.HitPositions.contains(hiOnItem));

    TTreeGridColumns *columns = Header()->Columns();
    if (columns->ClickIndex() > NoColumn && columns->ClickIndex() == hitInfo.HitColumn)
        DoColumnClick(hitInfo.HitColumn, ShiftStateFrom(message.Keys, message.Buttons));

    if (FStates.contains(tsEditPending)) {
        if (FFocusedNode && hitInfo.HitNode == FFocusedNode && hitInfo.HitPositions.contains(hiOnItem)
            && FOptions->MiscOptions().contains(toEditOnClick) && CanEdit(FFocusedNode, FFocusedColumn)) {
            FEditColumn = FFocusedColumn;
            FEditTimer.start(int(FEditDelay));
        } else {
            DoStateChange({}, {tsEditPending});
        }
    }
}

void TBaseTreeGrid::HandleMouseDblClick(const TTGMouseMessage &message, const THitInfo &hitInfo)
{
    const TTGMiscOptions misc = FOptions->MiscOptions();
    bool mayEdit = !FStates.contains(tsEditing) && misc.contains(toEditOnDblClick);
    if (FStates.contains(tsEditPending)) {
        FEditTimer.stop();
        DoStateChange({}, {tsEditPending});
    }
    bool proceed = true;
    THitInfo hitNow = hitInfo;
    if (FStates.contains(tsEditing)) {
        proceed = EndEditNode();
        // The handlers of the edit's end may have deleted or moved the rows under the pointer.
        if (proceed)
            GetHitTestInfoAt(message.Pos.x(), message.Pos.y(), true, hitNow);
    }
    const PGridNode node = hitNow.HitNode;
    const THitPositions hit = hitNow.HitPositions;
    if (proceed) {
        const TTGShiftState shift = ShiftStateFrom(message.Keys, message.Buttons);
        if (hitNow.HitColumn == Header()->Columns()->ClickIndex())
            DoColumnDblClick(hitNow.HitColumn, shift);
        // The handler may have removed the node under the pointer.
        proceed = !IsRemoved(node);
    }
    if (proceed) {
        const TTGShiftState shift = ShiftStateFrom(message.Keys, message.Buttons);
        const bool splitter = hit.contains(hiOnItem) && hit.intersects({hiUpperSplitter, hiLowerSplitter});
        const TTreeGridColumn *hitColumn = Header()->Columns()->Items(hitNow.HitColumn);
        if (splitter && hitColumn && hitColumn->Options().contains(coResizable)
            && misc.contains(toNodeHeightDblClickResize)) {
            const PGridNode resized = hit.contains(hiUpperSplitter) ? GetPreviousVisible(node) : node;
            if (resized && resized != FRoot && DoNodeHeightDblClickResize(resized, hitNow.HitColumn, shift, message.Pos)) {
                SetNodeHeight(resized, FDefaultNodeHeight);
                viewport()->update();
                mayEdit = false;
            }
        } else if (node && hit.contains(hiOnItemCheckbox)) {
            PressCheckBox(node, tsMouseCheckPending);
            mayEdit = false;
        } else if (node && hit.contains(hiOnItemButton)) {
            ToggleNode(node);
            mayEdit = false;
        } else if (misc.contains(toToggleOnDblClick)
                   && (hit.intersects({hiOnItemButton, hiOnItemLabel, hiOnNormalIcon, hiOnStateIcon})
                       || (FOptions->SelectionOptions().contains(toFullRowSelect) && node))) {
            ToggleNode(node);
            mayEdit = false;
        }
    }
    // Where a double click starts an edit of the focused cell.
    if (mayEdit && node && !IsRemoved(node) && node == FFocusedNode && hitNow.HitColumn == FFocusedColumn
        && CanEdit(FFocusedNode, FFocusedColumn)) {
        DoStateChange({tsEditPending});
        FEditColumn = FFocusedColumn;
        FEditTimer.start(int(FEditDelay));
    }
}

// ---- check boxes held down by the mouse or by Space

void TBaseTreeGrid::PressCheckBox(PGridNode node, TTreeGridState pending)
{
    if (FStates.intersects({tsKeyCheckPending, tsMouseCheckPending}) || IsRemoved(node)
        || node->States.contains(vsDisabled))
        return;
    TCheckState newState = DetermineNextCheckState(node->CheckType, node->CheckState);
    if (!DoChecking(node, newState))
        return;
    DoStateChange({pending});
    FCheckNode = node;
    FPendingCheckState = newState;
    // Every check state has its pressed form one above it.
    node->CheckState = TCheckState(node->CheckState | 1);
    InvalidateNode(node);
}

void TBaseTreeGrid::ReleaseCheckBox(TTreeGridState pending, bool apply)
{
    DoStateChange({}, {pending});
    // The handlers of the click may remove the node (which forgets it as check node).
    if (const PGridNode node = FCheckNode) {
        node->CheckState = TCheckState(node->CheckState & ~1);
        if (apply)
            DoCheckClick(node, FPendingCheckState);
        InvalidateNode(node);
    }
    FCheckNode = nullptr;
}

void TBaseTreeGrid::InvalidateColumn(TColumnIndex column)
{
    TTreeGridHeader *header = Header();
    if (!header || !header->Columns()->IsValidColumn(column))
        return;
    int left = 0, right = 0;
    header->Columns()->GetColumnBounds(column, left, right);
    viewport()->update(QRect(left, 0, right - left, ClientHeight()));
}

// ---- events of columns and node heights

void TBaseTreeGrid::DoColumnClick(TColumnIndex column, TTGShiftState shift)
{
    Raise(OnColumnClick, column, shift);
}

void TBaseTreeGrid::DoColumnDblClick(TColumnIndex column, TTGShiftState shift)
{
    Raise(OnColumnDblClick, column, shift);
}

bool TBaseTreeGrid::DoNodeHeightTracking(PGridNode node, TColumnIndex column, TTGShiftState shift,
                                         QPoint &trackPoint, QPoint p)
{
    bool allowed = true;
    Raise(OnNodeHeightTracking, node, column, shift, trackPoint, p, allowed);
    return allowed;
}

bool TBaseTreeGrid::DoNodeHeightDblClickResize(PGridNode node, TColumnIndex column, TTGShiftState shift, QPoint p)
{
    bool allowed = true;
    Raise(OnNodeHeightDblClickResize, node, column, shift, p, allowed);
    return allowed;
}

// ---- popup menus

QMenu *TBaseTreeGrid::DoGetPopupMenu(PGridNode node, TColumnIndex column, QPoint position)
{
    if (!OnGetPopupMenu)
        return nullptr;
    QMenu *menu = nullptr;
    bool askParent = true;
    if (!node) {
        Raise(OnGetPopupMenu, nullptr, NoColumn, position, askParent, menu);
        return menu;
    }
    // Up the ancestors until one gives a menu; a handler that removes the node asked ends it.
    for (PGridNode run = node; run && run != FRoot && !menu && askParent; run = run->Parent)
        if (!Raise(OnGetPopupMenu, run, column, position, askParent, menu) || IsRemoved(run))
            break;
    return menu;
}

bool TBaseTreeGrid::HasPopupMenu(PGridNode node, TColumnIndex column, QPoint position)
{
    return FPopupMenu || DoGetPopupMenu(node, column, position);
}

void TBaseTreeGrid::DoPopupMenu(PGridNode node, TColumnIndex column, QPoint position)
{
    if (IsRemoved(node))
        return;
    QMenu *menu = DoGetPopupMenu(node, column, position);
    if (!menu)
        return;
    DoStateChange({tsPopupMenuShown});
    FEditTimer.stop();
    // The menu's actions can tell which tree they were opened on.
    menu->setProperty("popupComponent", QVariant::fromValue<QObject *>(this));
    menu->popup(viewport()->mapToGlobal(position));
}

// ---- drag hooks

bool TBaseTreeGrid::DoBeforeDrag(PGridNode node, TColumnIndex column)
{
    bool allowed = false;
    Raise(OnDragAllowed, node, column, allowed);
    return allowed;
}

void TBaseTreeGrid::BeginDrag(bool immediate, int threshold)
{
    if (FStates.intersects({tsOLEDragPending, tsOLEDragging, tsVCLDragPending}))
        return;
    FDragThreshold = threshold > 0 ? threshold : QApplication::startDragDistance();
    if (FDragType == dtVCL) {
        // The framework's drag: the source's next mouse messages are the drag's.
        DoStateChange({tsVCLDragPending});
        if (immediate) {
            StartFrameworkDrag();
            FrameworkDragMove(viewport()->mapToGlobal(FLastMousePos), QGuiApplication::keyboardModifiers());
        }
        return;
    }
    if (immediate) {
        DoDragging(FLastClickPos);
        return;
    }
    // The move beyond the threshold (MouseMove) hands over to DoDragging.
    DoStateChange({tsOLEDragPending});
}

