// Mouse input of TBaseTreeGrid: the viewport's events turned into button messages, mouse
// moves (rubber band, node height tracking, drag start, hot tracking) and the cursor.

#include "treegrid/BaseTreeGrid.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>

#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHintWindow.h"
#include "treegrid/TreeGridRoutines.h"

namespace {

TTGMouseButton ButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
    }
}

TTGMouseMessage MessageOf(const QMouseEvent *event)
{
    TTGMouseMessage message;
    message.Pos = event->position().toPoint();
    message.GlobalPos = event->globalPosition().toPoint();
    message.Button = event->button();
    message.Buttons = event->buttons();
    message.Keys = event->modifiers();
    return message;
}

} // namespace

// ---- Qt plumbing

bool TBaseTreeGrid::viewportEvent(QEvent *event)
{
    // Nodes removed while the rows handle an event stay readable until it returns.
    const THandlerScope scope(FRemovedNodes);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        ViewportMouseEvent(static_cast<QMouseEvent *>(event));
        event->accept();
        return true;
    case QEvent::Wheel: {
        auto *wheel = static_cast<QWheelEvent *>(event);
        DoMouseWheel(wheel->position().toPoint(), wheel->angleDelta(), wheel->modifiers());
        wheel->accept();
        return true;
    }
    case QEvent::Leave:
        MouseLeave();
        break;
    case QEvent::ToolTip: {
        auto *help = static_cast<QHelpEvent *>(event);
        if (!ShowHintAt(help->pos(), help->globalPos()))
            event->ignore();
        return true;
    }
    case QEvent::WindowDeactivate:
        CancelMode();
        break;
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TBaseTreeGrid::ViewportMouseEvent(QMouseEvent *event)
{
    if (FDestroying)
        return;
    const TTGMouseMessage message = MessageOf(event);
    FLastMousePos = message.Pos;
    if (FrameworkDragInput(event->type(), message))
        return;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        CancelHint();
        MouseButtonDown(message);
        break;
    case QEvent::MouseButtonRelease:
        MouseButtonUp(message);
        break;
    case QEvent::MouseButtonDblClick:
        CancelHint();
        MouseButtonDblClick(message);
        break;
    default:
        if (FHintWindow && FHintWindow->isVisible() && !FLastHintRect.contains(message.Pos))
            CancelHint();
        MouseMove(message.Keys, message.Buttons, message.Pos.x(), message.Pos.y());
        if (message.Buttons == Qt::NoButton) {
            UpdateCursor(message.Pos);
            if (HintShowsAtOnce(message.Pos) && !FLastHintRect.contains(message.Pos))
                ShowHintAt(message.Pos, message.GlobalPos);
        }
        break;
    }
}

// ---- the window's own handling of buttons

void TBaseTreeGrid::FrameworkMouseDown(const TTGMouseMessage &message, bool doubleClick)
{
    TTGShiftState shift = ShiftStateFrom(message.Keys, message.Buttons);
    if (doubleClick)
        shift += ssDouble;
    if (message.Button == Qt::LeftButton) {
        if (doubleClick)
            DoDblClick();
        else
            FClickPending = true;
    }
    Raise(OnMouseDown, ButtonOf(message.Button), shift, message.Pos.x(), message.Pos.y());
}

void TBaseTreeGrid::FrameworkMouseUp(const TTGMouseMessage &message)
{
    if (message.Button == Qt::LeftButton && FClickPending) {
        FClickPending = false;
        if (viewport()->rect().contains(message.Pos))
            DoClick();
    }
    Raise(OnMouseUp, ButtonOf(message.Button), ShiftStateFrom(message.Keys, message.Buttons), message.Pos.x(),
          message.Pos.y());
}

void TBaseTreeGrid::DoClick()
{
    Raise(OnClick);
}

void TBaseTreeGrid::DoDblClick()
{
    Raise(OnDblClick);
}

// ---- button messages

bool TBaseTreeGrid::HeaderIdle()
{
    TTreeGridHeader *header = Header();
    return !header
           || !header->States().intersects({hsDragging, hsDragPending, hsColumnWidthTracking, hsColumnWidthTrackPending,
                                            hsHeightTracking, hsHeightTrackPending});
}

void TBaseTreeGrid::MouseButtonDown(const TTGMouseMessage &message)
{
    const TTGSelectionOptions selection = FOptions->SelectionOptions();
    THitInfo hitInfo;
    switch (message.Button) {
    case Qt::LeftButton:
        DoStateChange({tsLeftButtonDown});
        FrameworkMouseDown(message, false);
        GetHitTestInfoAt(message.Pos.x(), message.Pos.y(), true, hitInfo);
        HandleMouseDown(message, hitInfo);
        break;
    case Qt::MiddleButton: {
        DoStateChange({tsMiddleButtonDown});
        if (!HeaderIdle())
            return;
        FrameworkMouseDown(message, false);
        const bool scrollable = FRangeX > ClientWidth() || FRangeY > ClientHeight();
        if (FOptions->MiscOptions().contains(toWheelPanning) && !IsPanning() && scrollable) {
            FLastClickPos = message.Pos;
            StartWheelPanning(message.Pos);
            return;
        }
        StopWheelPanning();
        if (selection.contains(toMiddleClickSelect)) {
            GetHitTestInfoAt(message.Pos.x(), message.Pos.y(), true, hitInfo);
            HandleMouseDown(message, hitInfo);
        }
        break;
    }
    case Qt::RightButton:
        DoStateChange({tsRightButtonDown});
        if (HeaderIdle()) {
            FrameworkMouseDown(message, false);
            if (selection.contains(toRightClickSelect)) {
                GetHitTestInfoAt(message.Pos.x(), message.Pos.y(), true, hitInfo);
                HandleMouseDown(message, hitInfo);
            }
        }
        // Every press ends panning, also one that may not select.
        StopWheelPanning();
        break;
    default:
        // Any other button still ends panning, as every press does.
        StopWheelPanning();
        break;
    }
}

void TBaseTreeGrid::MouseButtonUp(const TTGMouseMessage &message)
{
    const TTGSelectionOptions selection = FOptions->SelectionOptions();
    THitInfo hitInfo;
    switch (message.Button) {
    case Qt::LeftButton:
        DoStateChange({}, {tsLeftButtonDown, tsNodeHeightTracking, tsNodeHeightTrackPending});
        GetHitTestInfoAt(message.Pos.x(), message.Pos.y(), true, hitInfo);
        HandleMouseUp(message, hitInfo);
        FrameworkMouseUp(message);
        break;
    case Qt::MiddleButton:
        DoStateChange({}, {tsMiddleButtonDown});
        if (IsPanning()) {
            // Without a move beyond the threshold the view keeps scrolling toward the pointer
            // until the next press.
            if (FStates.contains(tsWheelScrolling))
                DoStateChange({}, {tsWheelPanning});
            else
                StopWheelPanning();
        } else if (HeaderIdle()) {
            FrameworkMouseUp(message);
            if (selection.contains(toMiddleClickSelect)) {
                GetHitTestInfoAt(message.Pos.x(), message.Pos.y(), true, hitInfo);
                HandleMouseUp(message, hitInfo);
            }
        }
        break;
    case Qt::RightButton:
        DoStateChange({}, {tsRightButtonDown, tsPopupMenuShown});
        if (!HeaderIdle())
            break;
        CancelHint();
        if (IsMouseSelecting() && FPopupMenu) {
            DoStateChange({}, {tsDrawSelPending, tsDrawSelecting});
            Invalidate();
        }
        FrameworkMouseUp(message);
        GetHitTestInfoAt(message.Pos.x(), message.Pos.y(), true, hitInfo);
        if (selection.contains(toRightClickSelect))
            HandleMouseUp(message, hitInfo);
        if (FPopupMenu) {
            // The tree's own menu: what the window shows on a right click.
            DoStateChange({}, {tsClearPending, tsEditPending, tsOLEDragPending, tsVCLDragPending});
            FPopupMenu->popup(message.GlobalPos);
        } else {
            DoPopupMenu(hitInfo.HitNode, hitInfo.HitColumn, message.Pos);
        }
        break;
    default:
        break;
    }
}

void TBaseTreeGrid::MouseButtonDblClick(const TTGMouseMessage &message)
{
    const TTGSelectionOptions selection = FOptions->SelectionOptions();
    THitInfo hitInfo;
    switch (message.Button) {
    case Qt::LeftButton:
        DoStateChange({tsLeftDblClick});
        FrameworkMouseDown(message, true);
        GetHitTestInfoAt(message.Pos.x(), message.Pos.y(), true, hitInfo);
        HandleMouseDblClick(message, hitInfo);
        DoStateChange({}, {tsLeftDblClick});
        break;
    case Qt::MiddleButton:
        DoStateChange({tsMiddleDblClick});
        if (selection.contains(toMiddleClickSelect)) {
            GetHitTestInfoAt(message.Pos.x(), message.Pos.y(), true, hitInfo);
            HandleMouseDblClick(message, hitInfo);
        }
        DoStateChange({}, {tsMiddleDblClick});
        break;
    case Qt::RightButton:
        DoStateChange({tsRightDblClick});
        if (selection.contains(toRightClickSelect)) {
            GetHitTestInfoAt(message.Pos.x(), message.Pos.y(), true, hitInfo);
            HandleMouseDblClick(message, hitInfo);
        }
        DoStateChange({}, {tsRightDblClick});
        break;
    default:
        break;
    }
}

// ---- moving

void TBaseTreeGrid::MouseMove(Qt::KeyboardModifiers keys, Qt::MouseButtons buttons, int x, int y)
{
    const int threshold = QApplication::startDragDistance();
    if (FStates.contains(tsNodeHeightTrackPending)) {
        CancelHint();
        StopWheelPanning();
        StopInputTimers(true);
        DoStateChange({tsNodeHeightTracking}, {tsScrollPending, tsScrolling, tsEditPending, tsOLEDragPending,
                                               tsVCLDragPending, tsIncrementalSearching, tsNodeHeightTrackPending});
    }

    if (FStates.contains(tsDrawSelPending)) {
        if (CalculateSelectionRect(x, y))
            viewport()->update(SelectionBandOnScreen(FNewSelRect));
        const QRect band = OrderRect(FNewSelRect);
        if (band.width() > threshold || band.height() > threshold) {
            if (FStates.contains(tsClearPending)) {
                DoStateChange({}, {tsClearPending});
                ClearSelection();
            }
            DoStateChange({tsDrawSelecting}, {tsDrawSelPending});
            const TColumnIndex mainColumn = MainColumn();
            if (FFocusedColumn != mainColumn) {
                FFocusedColumn = mainColumn;
                if (FFocusedNode)
                    InvalidateNode(FFocusedNode);
            }
            if (CollectDrawSelection()) {
                Invalidate();
                Change(nullptr);
            } else {
                viewport()->update(SelectionBandOnScreen(FNewSelRect));
            }
        }
        return;
    }

    if (FStates.contains(tsNodeHeightTracking)) {
        QPoint trackPoint = FHeightTrackPoint;
        const QPoint p(x, y);
        if (FHeightTrackNode
            && DoNodeHeightTracking(FHeightTrackNode, FHeightTrackColumn, ShiftStateFrom(keys, buttons), trackPoint, p)) {
            FHeightTrackPoint = trackPoint;
            SetNodeHeight(FHeightTrackNode, std::uint32_t(std::clamp(y - trackPoint.y(), 1, 65535)));
            viewport()->update();
        }
        return;
    }

    if (FStates.contains(tsWheelPanning) && FStates.contains(tsWheelScrolling)
        && (std::abs(x - FLastClickPos.x()) >= threshold || std::abs(y - FLastClickPos.y()) >= threshold))
        DoStateChange({}, {tsWheelScrolling});

    if (FStates.contains(tsOLEDragPending)
        && (std::abs(x - FLastClickPos.x()) >= FDragThreshold || std::abs(y - FLastClickPos.y()) >= FDragThreshold)) {
        DoDragging(FLastClickPos);
        return;
    }

    if (CanAutoScroll())
        DoAutoScroll(x, y);
    if (IsPanning())
        AdjustPanningCursor(x, y);
    if (!IsMouseSelecting()) {
        HandleHotTrack(x, y);
        Raise(OnMouseMove, ShiftStateFrom(keys, buttons), x, y);
    } else if (!FStates.contains(tsScrolling)) {
        // The timer scroll takes care of the band while it runs.
        if (HandleDrawSelection(x, y)) {
            Invalidate();
            Change(nullptr);
        } else {
            viewport()->update(SelectionBandOnScreen(FNewSelRect).united(SelectionBandOnScreen(FLastSelRect)));
        }
    }
}

QRect TBaseTreeGrid::SelectionBandOnScreen(const QRect &band) const
{
    // Absolute band coordinates to client ones, grown by the frame's pixel.
    QRect r = OrderRect(band);
    r.translate(-int(FEffectiveOffsetX), FOffsetY);
    return r.adjusted(-1, -1, 1, 1);
}

void TBaseTreeGrid::HandleHotTrack(int x, int y)
{
    THitInfo hitInfo;
    GetHitTestInfoAt(x, y, true, hitInfo);
    const TTGPaintOptions paint = FOptions->PaintOptions();
    const bool hot = hitInfo.HitPositions.intersects({hiOnItemLabel, hiOnItemCheckbox})
                     || FOptions->SelectionOptions().contains(toFullRowSelect);
    const PGridNode newNode = hot ? hitInfo.HitNode : nullptr;
    const TColumnIndex newColumn = newNode ? hitInfo.HitColumn : NoColumn;
    bool doInvalidate = false;
    if (newNode != FCurrentHotNode || newColumn != FCurrentHotColumn) {
        doInvalidate = paint.contains(toHotTrack) || FOptions->MiscOptions().contains(toCheckSupport);
        DoHotChange(FCurrentHotNode, newNode);
        if (doInvalidate && FCurrentHotNode)
            InvalidateNode(FCurrentHotNode);
        // The handler may have removed the new hot node.
        FCurrentHotNode = IsRemoved(newNode) ? nullptr : newNode;
        FCurrentHotColumn = newColumn;
    }
    const bool buttonHit = paint.contains(toHotTrack) && hitInfo.HitPositions.contains(hiOnItemButtonExact);
    if (FCurrentHotNode && (doInvalidate || buttonHit != FHotNodeButtonHit)) {
        FHotNodeButtonHit = buttonHit;
        InvalidateNode(FCurrentHotNode);
    } else if (!FCurrentHotNode) {
        FHotNodeButtonHit = false;
    }
}

void TBaseTreeGrid::DoHotChange(PGridNode oldNode, PGridNode newNode)
{
    Raise(OnHotChange, oldNode, newNode);
}

void TBaseTreeGrid::MouseLeave()
{
    FLastHintRect = QRect();
    DoStateChange({}, {tsHint});
    if (!IsPanning()) {
        FScrollTimer.stop();
        DoStateChange({}, {tsScrollPending, tsScrolling});
    }
    if (FCurrentHotNode) {
        DoHotChange(FCurrentHotNode, nullptr);
        if (FOptions->PaintOptions().contains(toHotTrack) || FOptions->MiscOptions().contains(toCheckSupport))
            InvalidateNode(FCurrentHotNode);
    }
    FCurrentHotNode = nullptr;
    FCurrentHotColumn = NoColumn;
    FHotNodeButtonHit = false;
    if (TTreeGridHeader *header = Header()) {
        header->Columns()->SetHoverIndex(NoColumn);
        header->Columns()->SetDownIndex(NoColumn);
    }
}

// ---- cursor

bool TBaseTreeGrid::CanTrackNodeHeight(const THitInfo &hitInfo)
{
    if (!FOptions->MiscOptions().contains(toNodeHeightResize) || !hitInfo.HitPositions.contains(hiOnItem)
        || !hitInfo.HitPositions.intersects({hiUpperSplitter, hiLowerSplitter}) || hitInfo.HitColumn < 0)
        return false;
    TTreeGridHeader *header = Header();
    const TTreeGridColumn *column = header ? header->Columns()->Items(hitInfo.HitColumn) : nullptr;
    if (!column || !column->Options().contains(coResizable))
        return false;
    const PGridNode node = hitInfo.HitPositions.contains(hiUpperSplitter) ? GetPreviousVisible(hitInfo.HitNode)
                                                                           : hitInfo.HitNode;
    return node && node != FRoot;
}

void TBaseTreeGrid::UpdateCursor(QPoint p)
{
    if (IsPanning() || TCursorRegistry::ScreenCursor() != crDefault)
        return;
    // Over a column splitter reaching into the rows the header has set its cursor already.
    if (TTreeGridHeader *header = Header()) {
        TTGHeaderMessage message;
        message.Kind = hmSetCursor;
        message.Pos = p;
        if (header->HandleMessage(message))
            return;
    }
    TCursor cursor = crDefault;
    THitInfo hitInfo;
    if (FOptions->MiscOptions().contains(toNodeHeightResize)) {
        GetHitTestInfoAt(p.x(), p.y(), true, hitInfo);
        if (CanTrackNodeHeight(hitInfo))
            cursor = crVertSplit;
    }
    if (cursor == crDefault && FOptions->PaintOptions().contains(toHotTrack) && FCurrentHotNode
        && FHotCursor != crDefault)
        cursor = FHotCursor;
    DoGetCursor(cursor);
    if (cursor != crDefault) {
        viewport()->setCursor(TCursorRegistry::Cursor(cursor));
        FCursorSet = true;
    } else if (FCursorSet) {
        viewport()->unsetCursor();
        FCursorSet = false;
    }
}

void TBaseTreeGrid::DoGetCursor(TCursor &cursor)
{
    Raise(OnGetCursor, cursor);
}

// ---- set-up and tear-down of the input timers

void TBaseTreeGrid::InitializeInput()
{
    FEditTimer.setSingleShot(true);
    connect(&FEditTimer, &QTimer::timeout, this, [this] {
        FEditTimer.stop();
        DoEdit();
    });
    connect(&FScrollTimer, &QTimer::timeout, this, &TBaseTreeGrid::ScrollTimerTick);
    connect(&FSearchTimer, &QTimer::timeout, this, &TBaseTreeGrid::SearchTimerTick);
}

void TBaseTreeGrid::FinalizeInput()
{
    StopWheelPanning();
    CancelHint();
    FEditTimer.stop();
    FScrollTimer.stop();
    FSearchTimer.stop();
}
