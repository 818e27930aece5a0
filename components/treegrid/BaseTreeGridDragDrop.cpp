// Dragging nodes out of a tree (the drag source) and into one (the drop target).

#include "treegrid/BaseTreeGrid.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

#include "Canvas.h"
#include "Color.h"
#include "treegrid/TreeGridDropSourceWatch.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridOptions.h"
#include "treegrid/TreeGridScrollBarOptions.h"

void TBaseTreeGrid::InitializeDragDrop()
{
    const bool accept = FOptions->MiscOptions().contains(toAcceptOLEDrop);
    setAcceptDrops(accept);
    viewport()->setAcceptDrops(accept);
    FExpandTimer.setSingleShot(true);
    connect(&FExpandTimer, &QTimer::timeout, this, [this] { DoDragExpand(); });
    connect(&FDragScrollTimer, &QTimer::timeout, this, [this] {
        const TScrollDirections directions = DragScrollDirections(FLastDragPos);
        if (directions.empty() || !IsDropTarget())
            FDragScrollTimer.stop();
        else
            DragScroll(directions);
    });
}

// ---- drag source

void TBaseTreeGrid::DoDragging(QPoint p)
{
    if (FStates.contains(tsOLEDragging))
        return;
    CancelEditNode();
    if (FCurrentHotNode) {
        InvalidateNode(FCurrentHotNode);
        FCurrentHotNode = nullptr;
    }
    if (FFocusedNode && !Selected(FFocusedNode))
        SetSelected(FFocusedNode, true);
    viewport()->update();
    FDragSelection = GetSortedSelection(true);
    FDragMembers.clear();
    FDragMembers.insert(FDragSelection.begin(), FDragSelection.end());
    FDragNodesMoved = false;
    DoStateChange({tsOLEDragging}, {tsOLEDragPending, tsVCLDragPending, tsClearPending});
    QMimeData *data = DoCreateDataObject();
    PrepareDragImage(p, data);
    FLastDropMode = dmOnNode;

    Qt::DropActions allowed;
    if (FDragOperations.empty() || FDragOperations.contains(doCopy))
        allowed |= Qt::CopyAction;
    if (FDragOperations.empty() || FDragOperations.contains(doMove))
        allowed |= Qt::MoveAction;
    if (FDragOperations.empty() || FDragOperations.contains(doLink))
        allowed |= Qt::LinkAction;
    const Qt::DropAction result = DragAndDrop(allowed, data, p);
    // The loop may end without a leave reaching this tree.
    if (IsDropTarget())
        FDragManager->DragLeave();
    if (result == Qt::IgnoreAction)
        DragCanceled();
    DragImage().EndDrag();

    // Nodes a receiver moved are its own now; only nodes it copied are deleted here.
    // Nodes deleted meanwhile (timers and events run in the drag loop) have left the selection.
    if (result == Qt::MoveAction && !FDragNodesMoved
        && FOptions->AutoOptions().contains(toAutoDeleteMovedNodes)) {
        BeginUpdate();
        while (!FDragSelection.empty()) {
            const PGridNode node = FDragSelection.back();
            FDragSelection.pop_back();
            FDragMembers.erase(node);
            DeleteNode(node);
        }
        EndUpdate();
    }
    DoStateChange({}, {tsOLEDragging});
    FDragSelection.clear();
    FDragMembers.clear();
    FDragNodesMoved = false;
}

Qt::DropAction TBaseTreeGrid::DragAndDrop(Qt::DropActions allowed, QMimeData *data, QPoint hotSpot)
{
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    if (DragImage().States().contains(disPrepared)) {
        // The tree draws the picture itself over the program's trees: the platform shows only
        // its pointer, not a second picture.
        QPixmap nothing(1, 1);
        nothing.fill(Qt::transparent);
        drag->setPixmap(nothing);
    } else if (CanShowDragImage()) {
        QPoint imageHotSpot;
        const QPixmap image = DragImage(hotSpot, imageHotSpot);
        if (!image.isNull()) {
            drag->setPixmap(image);
            drag->setHotSpot(imageHotSpot);
        }
    }
    const TTGDropSourceWatch watch;
    return drag->exec(allowed);
}

// ---- drop target

Qt::DropAction TBaseTreeGrid::SuggestDropEffect(TBaseTreeGrid *source, TTGShiftState shift, QPoint,
                                                Qt::DropActions allowed) const
{
    Qt::DropAction result = Qt::IgnoreAction;
    const Qt::DropAction preferred = source == this ? Qt::MoveAction : Qt::CopyAction;
    if (allowed.testFlag(preferred))
        result = preferred;
    else
        for (Qt::DropAction action : {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction})
            if (allowed.testFlag(action)) {
                result = action;
                break;
            }
    const TTGShiftState keys = shift * TTGShiftState{ssShift, ssAlt, ssCtrl};
    Qt::DropAction wanted = Qt::IgnoreAction;
    if (keys == TTGShiftState{ssShift})
        wanted = Qt::MoveAction;
    else if (keys == TTGShiftState{ssAlt})
        wanted = Qt::LinkAction;
    else if (keys == TTGShiftState{ssCtrl})
        wanted = Qt::CopyAction;
    else if (keys == TTGShiftState{ssCtrl, ssShift})
        wanted = Qt::LinkAction;
    if (wanted != Qt::IgnoreAction && allowed.testFlag(wanted))
        result = wanted;
    return result;
}

bool TBaseTreeGrid::DragEnter(TTGShiftState shift, QPoint pt, Qt::DropActions allowed, Qt::DropAction &effect)
{
    return DragOver(DragSourceTree(), shift, dsDragEnter, pt, allowed, effect);
}

TScrollDirections TBaseTreeGrid::DragScrollDirections(QPoint pt) const
{
    TScrollDirections result;
    if (!FOptions->AutoOptions().contains(toAutoScroll))
        return result;
    const int margin = int(FDefaultNodeHeight);
    const int clientWidth = ClientWidth();
    const int clientHeight = ClientHeight();
    if (pt.x() < margin && FEffectiveOffsetX != 0)
        result += sdLeft;
    if (pt.x() >= clientWidth - margin && FRangeX - FEffectiveOffsetX > clientWidth)
        result += sdRight;
    if (pt.y() < margin && FOffsetY != 0)
        result += sdUp;
    if (pt.y() >= clientHeight - margin && std::int64_t(clientHeight) - FOffsetY < FRangeY)
        result += sdDown;
    return result;
}

void TBaseTreeGrid::DragScroll(TScrollDirections directions)
{
    const int incrementY = std::min<int>(FScrollBarOptions->VerticalIncrement(), ClientHeight());
    const int incrementX = FScrollBarOptions->HorizontalIncrement();
    int dx = 0;
    int dy = 0;
    if (directions.contains(sdUp))
        dy = incrementY;
    else if (directions.contains(sdDown))
        dy = -incrementY;
    if (directions.contains(sdLeft))
        dx = incrementX;
    else if (directions.contains(sdRight))
        dx = -incrementX;
    if (UseRightToLeftReading())
        dx = -dx;
    DoSetOffsetXY(QPoint(FOffsetX + dx, FOffsetY + dy), DefaultScrollUpdateFlags);
    // The scroll repainted what it exposed; only a picture over the rows must take them again.
    if (TBaseTreeGrid *source = DragSourceTree(); ShowsDragImageOf(source))
        UpdateWindowAndDragImage(source, viewport()->rect(), false, true);
}

bool TBaseTreeGrid::DragOver(TBaseTreeGrid *source, TTGShiftState shift, TTGDragState state, QPoint pt,
                             Qt::DropActions allowed, Qt::DropAction &effect)
{
    FLastDragPos = pt;
    // No platform draws the picture of another tree's drag: this tree shows it.
    FollowDragImage(source, pt);
    const TScrollDirections directions = DragScrollDirections(pt);
    if (!directions.empty()) {
        DragScroll(directions);
        if (!FDragScrollTimer.isActive())
            FDragScrollTimer.start(int(std::max<std::uint32_t>(FAutoScrollInterval, 10)));
    } else {
        FDragScrollTimer.stop();
    }

    THitInfo hitInfo = GetHitTestInfoAt(pt.x(), pt.y(), true);
    const bool onLabel = hitInfo.HitPositions.intersects({hiOnItemLabel, hiOnNormalIcon, hiOnStateIcon});
    if (FOptions->MiscOptions().contains(toReportMode) && !(onLabel && hitInfo.HitColumn == MainColumn()))
        hitInfo.HitNode = nullptr;
    PGridNode node = hitInfo.HitNode;
    TTGDropMode mode = dmNowhere;
    if (node) {
        if (onLabel || !FOptions->PaintOptions().contains(toShowDropmark)) {
            mode = dmOnNode;
        } else {
            const QRect row = GetDisplayRect(node, NoColumn, false);
            mode = pt.y() < row.top() + row.height() / 2 ? dmAbove : dmBelow;
        }
    }
    // The rows whose look changes: the old and the new target, or the target's drop mark.
    QRect changed;
    if (node != FDropTargetNode) {
        FExpandTimer.stop();
        if (FDropTargetNode)
            changed |= InvalidateNode(FDropTargetNode);
        FDropTargetNode = node;
        if (node) {
            changed |= InvalidateNode(node);
            if (FFocusedColumn == NoColumn)
                FFocusedColumn = MainColumn();
            if (FOptions->AutoOptions().contains(toAutoDropExpand) && (node->ChildCount > 0 || node->States.contains(vsHasChildren)))
                FExpandTimer.start(int(FAutoExpandDelay));
        }
    } else if (node && mode != FLastDropMode) {
        changed |= InvalidateNode(node);
    }
    FLastDropMode = mode;
    UpdateWindowAndDragImage(source, changed, false, true);

    effect = SuggestDropEffect(source, shift, pt, allowed);
    bool accept = false;
    Raise(OnDragOver, source, shift, state, pt, mode, effect, accept);
    if (!accept)
        effect = Qt::IgnoreAction;
    return accept && effect != Qt::IgnoreAction;
}

bool TBaseTreeGrid::DragDrop(const QMimeData *data, TTGShiftState shift, QPoint pt, Qt::DropActions allowed,
                             Qt::DropAction &effect)
{
    FExpandTimer.stop();
    FDragScrollTimer.stop();
    FScrollTimer.stop();
    DoStateChange({}, {tsScrollPending, tsScrolling});
    TBaseTreeGrid *source = DragSourceTree();
    bool result = DragOver(source, shift, dsDragMove, pt, allowed, effect);
    // The drop changes the rows: the picture must not stand over them meanwhile.
    if (ShowsDragImageOf(source))
        source->FDragImage->HideDragImage();
    if (result) {
        if (!Raise(OnDragDrop, source, data, data ? data->formats() : QStringList(), shift, pt, effect,
                   FLastDropMode))
            // Nothing takes the data: the source must not take it for moved.
            effect = Qt::IgnoreAction;
        result = effect != Qt::IgnoreAction;
    }
    ClearDropTarget();
    return result;
}

void TBaseTreeGrid::DragLeave()
{
    FExpandTimer.stop();
    FDragScrollTimer.stop();
    if (TBaseTreeGrid *source = DragSourceTree(); ShowsDragImageOf(source))
        source->FDragImage->HideDragImage();
    ClearDropTarget();
    Qt::DropAction effect = Qt::IgnoreAction;
    bool accept = false;
    Raise(OnDragOver, DragSourceTree(), TTGShiftState{}, dsDragLeave, FLastDragPos, dmNowhere, effect, accept);
}

void TBaseTreeGrid::ClearDropTarget()
{
    if (FDropTargetNode)
        InvalidateNode(FDropTargetNode);
    FDropTargetNode = nullptr;
}

void TBaseTreeGrid::DoDragExpand()
{
    if (!FDropTargetNode || Expanded(FDropTargetNode))
        return;
    // The picture stands aside while the rows below the target move.
    const QPointer<TBaseTreeGrid> source = DragSourceTree();
    const bool shown = ShowsDragImageOf(source);
    if (shown)
        source->FDragImage->HideDragImage();
    SetExpanded(FDropTargetNode, true);
    if (shown && source->FDragImage)
        source->FDragImage->ShowDragImage(this);
}

ITGDragManager *TBaseTreeGrid::DragManager()
{
    if (!FDragManager)
        FDragManager = DoCreateDragManager();
    return FDragManager.get();
}

std::unique_ptr<ITGDragManager> TBaseTreeGrid::DoCreateDragManager()
{
    std::unique_ptr<ITGDragManager> manager;
    Raise(OnCreateDragManager, manager);
    if (!manager)
        manager = std::make_unique<TTGDragManager>(this);
    return manager;
}

QMimeData *TBaseTreeGrid::DoCreateDataObject()
{
    QMimeData *data = nullptr;
    Raise(OnCreateDataObject, data);
    return data ? data : CreateMimeData(false);
}

TBaseTreeGrid *TBaseTreeGrid::DragSourceTree() const
{
    return FDragManager ? FDragManager->DragSource() : nullptr;
}

bool TBaseTreeGrid::IsDropTarget() const
{
    return FDragManager && FDragManager->IsDropTarget();
}

void TBaseTreeGrid::dragEnterEvent(QDragEnterEvent *event)
{
    // A tree without a drop handler lets the window behind it take the drop.
    if (!FOptions->MiscOptions().contains(toAcceptOLEDrop) || !OnDragOver) {
        event->ignore();
        return;
    }
    DragManager()->DragEnter(event);
}

void TBaseTreeGrid::dragMoveEvent(QDragMoveEvent *event)
{
    if (IsDropTarget())
        FDragManager->DragOver(event);
    else
        event->ignore();
}

void TBaseTreeGrid::dragLeaveEvent(QDragLeaveEvent *event)
{
    if (IsDropTarget())
        FDragManager->DragLeave();
    event->accept();
}

void TBaseTreeGrid::dropEvent(QDropEvent *event)
{
    if (IsDropTarget())
        FDragManager->Drop(event);
    else
        event->ignore();
}
