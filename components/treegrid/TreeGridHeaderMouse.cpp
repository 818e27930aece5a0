#include <cstdlib>

#include <QApplication>
#include <QImage>
#include <QMenu>

#include "Canvas.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHeaderOverlays.h"
#include "treegrid/TreeGridHeaderWidget.h"
#include "treegrid/TreeGridRoutines.h"

namespace {
constexpr THeaderStates InputStates{hsDragging, hsDragPending, hsColumnWidthTracking, hsColumnWidthTrackPending,
                                    hsHeightTracking, hsHeightTrackPending};
} // namespace

void TTreeGridHeader::StartHeaderTimer()
{
    if (FWidget)
        FWidget->StartHeaderTimer();
}

void TTreeGridHeader::StopHeaderTimer()
{
    if (FWidget)
        FWidget->StopHeaderTimer();
}

void TTreeGridHeader::CaptureInput(bool capture)
{
    if (FWidget)
        FWidget->Capture(capture);
}

// A border that may be dragged: in the header any column's, in the rows only the one between
// the fixed and the scrolling columns, and not below the last row.
bool TTreeGridHeader::ColumnSplitterHit(QPoint p)
{
    if (!FOptions.contains(hoColumnResize) || !DetermineSplitterIndex(p))
        return false;
    if (InHeader(p))
        return true;
    if (p.y() < 0 || !FOwner || p.y() > FOwner->RangeY())
        return false;
    const TTreeGridColumn *tracked = FColumns->Items(FColumns->TrackIndex());
    if (!tracked->Options().contains(coFixed))
        return false;
    const TTreeGridColumn *next = FColumns->Items(FColumns->GetNextVisibleColumn(tracked->Index()));
    return next && !next->Options().contains(coFixed);
}

bool TTreeGridHeader::HandleMessage(TTGHeaderMessage &message)
{
    if (!FOwner)
        return false;
    TTreeGridColumns &columns = *FColumns;
    const QPoint p = message.Pos;
    const TTGShiftState shift = message.Shift;

    switch (message.Kind) {
    case hmSize:
        if (FOwner->TreeStates().contains(tsWindowCreating))
            return false;
        if (FOptions.contains(hoAutoResize) && !FStates.contains(hsAutoSizing)) {
            columns.AdjustAutoSize(InvalidColumn);
            Invalidate();
        } else if (!FStates.contains(hsScaling)) {
            RescaleHeader();
            Invalidate();
        }
        return false;

    case hmKeyDown:
        if (message.Key != Qt::Key_Escape)
            return false;
        [[fallthrough]];
    case hmKillFocus: {
        bool handled = false;
        if (FStates.contains(hsDragging)) {
            // The columns stay where they were.
            EndDrag();
            FStates -= hsDragging;
            columns.FDropTarget = NoColumn;
            Invalidate();
            handled = true;
        } else {
            if (FStates.intersects({hsColumnWidthTracking, hsColumnWidthTrackPending}))
                DoAfterColumnWidthTracking(columns.FTrackIndex);
            if (FStates.intersects({hsHeightTracking, hsHeightTrackPending}))
                DoAfterHeightTracking();
            handled = FStates.intersects({hsColumnWidthTracking, hsHeightTracking});
        }
        FStates -= InputStates;
        CaptureInput(false);
        return handled;
    }

    case hmSetCursor: {
        if (FStates.intersects(InputStates))
            return false;
        TCursor cursor = crDefault;
        bool concerned = InHeader(p);
        if (FOptions.contains(hoHeightResize) && InHeaderSplitterArea(p)) {
            cursor = crVertSplit;
            concerned = true;
        } else if (ColumnSplitterHit(p)) {
            cursor = crHeaderSplit;
            concerned = true;
        }
        if (concerned)
            FOwner->DoGetHeaderCursor(cursor);
        if (cursor == crDefault)
            return false;
        message.Cursor = cursor;
        return true;
    }

    case hmNCMouseMove:
        FOwner->DoHeaderMouseMove(shift, p.x(), p.y() + FHeight);
        if (InHeader(p) && (columns.AdjustHoverColumn(p) || (columns.FDownIndex >= 0 && columns.FDownIndex != columns.FHoverIndex)))
            StartHeaderTimer();
        return false;

    case hmHeaderTimer:
        if (!InHeader(p) || (columns.FDownIndex >= 0 && columns.FDownIndex != columns.FHoverIndex)) {
            StopHeaderTimer();
            columns.FHoverIndex = NoColumn;
            columns.FClickIndex = NoColumn;
            columns.FDownIndex = NoColumn;
            Invalidate();
            return true;
        }
        return false;

    case hmLButtonDown:
    case hmNCLButtonDown:
        return HandleLeftButtonDown(message, message.Kind == hmLButtonDown);

    case hmMouseMove:
        if (!FStates.intersects(InputStates))
            return false;
        HandleHeaderMouseMove(p, message.ScreenPos, shift);
        return true;

    case hmLButtonUp:
    case hmNCLButtonUp:
        return HandleLeftButtonUp(message, message.Kind == hmLButtonUp);

    case hmLButtonDblClk:
        return HandleDoubleClick(message, mbLeft, true);
    case hmNCLButtonDblClk:
        return HandleDoubleClick(message, mbLeft, false);
    case hmNCRButtonDblClk:
        return HandleDoubleClick(message, mbRight, false);
    case hmNCMButtonDblClk:
        return HandleDoubleClick(message, mbMiddle, false);

    case hmNCRButtonDown:
    case hmNCMButtonDown:
        if (InHeader(p))
            FOwner->DoHeaderMouseDown(message.Kind == hmNCRButtonDown ? mbRight : mbMiddle, shift, p.x(),
                                      p.y() + FHeight);
        return false;

    case hmNCRButtonUp:
        return HandleRightButtonUp(message);

    case hmNCMButtonUp:
        if (InHeader(p)) {
            columns.HandleClick(p, mbMiddle, true, false);
            FOwner->DoHeaderMouseUp(mbMiddle, shift, p.x(), p.y() + FHeight);
            columns.FDownIndex = NoColumn;
        }
        return false;

    case hmParentFontChanged:
        if (FParentFont) {
            const TColor color = FFont.Color();
            FFont.Assign(FOwner->font());
            FFont.SetColor(color);
        }
        return false;

    case hmParentBiDiModeChanged:
        for (int i = 0; i < columns.Count(); ++i)
            columns.Items(i)->ParentBiDiModeChanged();
        return false;
    }
    return false;
}

bool TTreeGridHeader::HandleLeftButtonDown(const TTGHeaderMessage &message, bool client)
{
    const QPoint p = message.Pos;
    TTreeGridColumns &columns = *FColumns;
    FOwner->CancelHint();
    // Pending auto-scroll and edit starts of the rows are given up.
    FOwner->DoStateChange({}, {tsEditPending, tsScrollPending, tsScrolling});
    // A press on the strip itself (not a splitter reaching into the rows) ends a running edit; an
    // edit that refuses to stop keeps the press from doing anything else, as a press on a row.
    if (!client && !TreeFinishEditForPress())
        return true;
    if (!client)
        FDragStart = message.ScreenPos;

    if (FOptions.contains(hoHeightResize) && InHeaderSplitterArea(p)) {
        FTrackStart = p;
        columns.FHoverIndex = NoColumn;
        DoBeforeHeightTracking(message.Shift);
        FStates += hsHeightTrackPending;
        CaptureInput(true);
        return true;
    }
    if (ColumnSplitterHit(p)) {
        FTrackStart = p;
        columns.FHoverIndex = NoColumn;
        DoBeforeColumnWidthTracking(columns.FTrackIndex, message.Shift);
        FStates += hsColumnWidthTrackPending;
        CaptureInput(true);
        return true;
    }
    if (!InHeader(p))
        return false;
    bool handled = false;
    columns.AdjustDownColumn(p);
    const TTreeGridColumn *down = columns.Items(columns.FDownIndex);
    if (down && FOptions.contains(hoDrag) && down->Options().contains(coDraggable)) {
        if (client)
            FDragStart = message.ScreenPos;
        FStates += hsDragPending;
        CaptureInput(true);
        handled = true;
    }
    FOwner->DoHeaderMouseDown(mbLeft, message.Shift, p.x(), p.y() + FHeight);
    return handled;
}

void TTreeGridHeader::HandleHeaderMouseMove(QPoint p, QPoint screenPos, TTGShiftState shift)
{
    TTreeGridColumns &columns = *FColumns;
    if (FStates.contains(hsColumnWidthTrackPending)) {
        StopHeaderTimer();
        FStates -= hsColumnWidthTrackPending;
        FStates += hsColumnWidthTracking;
    } else if (FStates.contains(hsHeightTrackPending)) {
        StopHeaderTimer();
        FStates -= hsHeightTrackPending;
        FStates += hsHeightTracking;
    }

    if (FStates.contains(hsColumnWidthTracking)) {
        TTreeGridColumn *column = columns.Items(columns.FTrackIndex);
        if (column && DoColumnWidthTracking(columns.FTrackIndex, shift, FTrackPoint, p))
            column->SetWidth(TreeUseRightToLeft() ? FTrackPoint.x() - p.x() : p.x() - FTrackPoint.x());
    } else if (FStates.contains(hsHeightTracking)) {
        QPoint point = p;
        if (DoHeightTracking(point, shift))
            SetHeight(FHeight + point.y());
    } else if (FStates.contains(hsDragPending)) {
        const int threshold = QApplication::startDragDistance();
        const QPoint moved = screenPos - FDragStart;
        if (FOptions.contains(hoDrag) && (std::abs(moved.x()) > threshold || std::abs(moved.y()) > threshold)
            && FOwner->DoHeaderDragging(columns.FDownIndex)) {
            StopHeaderTimer();
            if (const TTreeGridColumn *down = columns.Items(columns.FDownIndex))
                Invalidate(down);
            columns.FDownIndex = NoColumn;
            columns.FHoverIndex = NoColumn;
            PrepareDrag(screenPos, FDragStart);
            FStates -= hsDragPending;
            FStates += hsDragging;
        }
    } else if (FStates.contains(hsDragging)) {
        DragTo(screenPos);
    }
}

bool TTreeGridHeader::HandleLeftButtonUp(const TTGHeaderMessage &message, bool client)
{
    const QPoint p = message.Pos;
    TTreeGridColumns &columns = *FColumns;
    FOwner->CancelHint();
    const bool hadState = FStates.intersects(InputStates);
    if (hadState) {
        CaptureInput(false);
        if (FStates.contains(hsDragging)) {
            EndDrag();
            const TColumnIndex dragged = columns.FDragIndex;
            const TColumnIndex target = columns.FDropTarget;
            const bool inside = QRect(FOwner->mapToGlobal(QPoint(0, 0)), FOwner->size()).contains(message.ScreenPos);
            TTreeGridColumn *column = columns.Items(dragged);
            const TTreeGridColumn *targetColumn = columns.Items(target);
            if (column && targetColumn && target != dragged && inside) {
                const TColumnPosition oldPosition = column->Position();
                const TColumnPosition targetPosition = targetColumn->Position();
                const bool leftOfTarget = oldPosition < targetPosition;
                TColumnPosition newPosition;
                if (columns.FDropBefore)
                    newPosition = leftOfTarget ? (targetPosition > 0 ? targetPosition - 1 : 0) : targetPosition;
                else
                    newPosition = leftOfTarget ? targetPosition : targetPosition + 1;
                column->SetPosition(newPosition);
                FOwner->DoHeaderDragged(dragged, oldPosition);
            } else if (column) {
                FOwner->DoHeaderDraggedOut(dragged, p);
            }
            columns.FDropTarget = NoColumn;
            columns.FDragIndex = NoColumn;
            Invalidate();
        }
    }
    if (!client) {
        columns.HandleClick(p, mbLeft, false, false);
        FOwner->DoHeaderMouseUp(mbLeft, message.Shift, p.x(), p.y() + FHeight);
    } else {
        if (columns.FDownIndex >= 0)
            columns.HandleClick(p, mbLeft, false, false);
        if (hadState)
            FOwner->DoHeaderMouseUp(mbLeft, message.Shift, p.x(), p.y() + FHeight);
    }
    if (FStates.intersects({hsColumnWidthTracking, hsColumnWidthTrackPending})) {
        DoAfterColumnWidthTracking(columns.FTrackIndex);
        if (const TTreeGridColumn *tracked = columns.Items(columns.FTrackIndex))
            Invalidate(tracked);
        columns.FTrackIndex = NoColumn;
    }
    if (const TTreeGridColumn *down = columns.Items(columns.FDownIndex))
        Invalidate(down);
    columns.FDownIndex = NoColumn;
    if (FStates.intersects({hsHeightTracking, hsHeightTrackPending}))
        DoAfterHeightTracking();
    FStates -= InputStates;
    return hadState;
}

bool TTreeGridHeader::HandleDoubleClick(const TTGHeaderMessage &message, TTGMouseButton button, bool client)
{
    const QPoint p = message.Pos;
    TTreeGridColumns &columns = *FColumns;
    if (FOptions.contains(hoHeightDblClickResize) && InHeaderSplitterArea(p) && FDefaultHeight > 0) {
        QPoint point = p;
        if (DoHeightDblClickResize(point, message.Shift))
            SetHeight(FMinHeight);
        return true;
    }
    if (button == mbLeft && FOptions.contains(hoDblClickResize) && DetermineSplitterIndex(p)
        && (InHeader(p) || ColumnSplitterHit(p)) && columns.FTrackIndex >= 0) {
        const TColumnIndex column = columns.FTrackIndex;
        if (DoColumnWidthDblClickResize(column, p, message.Shift)) {
            const int position = int(columns.Items(column)->Position());
            AutoFitColumns(true, smaUseColumnOption, position, position);
        }
        return true;
    }
    if (!client && InHeader(p)) {
        columns.HandleClick(p, button, true, true);
        return true;
    }
    return false;
}

bool TTreeGridHeader::HandleRightButtonUp(const TTGHeaderMessage &message)
{
    const QPoint p = message.Pos;
    TTreeGridColumns &columns = *FColumns;
    FOwner->CancelHint();
    if (!InHeader(p))
        return false;
    columns.HandleClick(p, mbRight, true, false);
    FOwner->DoHeaderMouseUp(mbRight, message.Shift, p.x(), p.y() + FHeight);
    columns.FDownIndex = NoColumn;
    columns.FTrackIndex = NoColumn;
    QMenu *menu = FPopupMenu;
    if (!menu)
        menu = DoGetPopupMenu(columns.ColumnFromPosition(HeaderPoint(p)), p);
    if (!menu)
        return false;
    StopHeaderTimer();
    columns.FHoverIndex = NoColumn;
    FOwner->DoStateChange({}, {tsScrollPending, tsScrolling});
    menu->popup(message.ScreenPos);
    return true;
}

// ---- column dragging

void TTreeGridHeader::PrepareDrag(QPoint p, QPoint start)
{
    Q_UNUSED(p);
    TTreeGridColumns &columns = *FColumns;
    columns.FDropTarget = NoColumn;
    columns.FDragIndex = NoColumn;
    if (!FWidget)
        return;
    const QPoint startInHeader = FWidget->mapFromGlobal(start);
    columns.FDragIndex = columns.ColumnFromPosition(startInHeader);
    if (columns.FDragIndex < 0) {
        columns.FDragIndex = NoColumn;
        return;
    }
    int left = 0, right = 0;
    columns.GetColumnBounds(columns.FDragIndex, left, right);
    // The header as it looks now, cut to the dragged column.
    const QRect all = HeaderRect();
    QImage picture(all.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    picture.fill(Qt::gray);
    {
        TCanvas canvas(&picture);
        columns.PaintHeader(canvas, all, -TreeEffectiveOffsetX());
    }
    const QImage image = picture.copy(left, 0, right - left, all.height());
    FDragImage = std::make_unique<TTGHeaderDragImage>(FOwner->window());
    FDragImage->PrepareDrag(image, FWidget->mapToGlobal(QPoint(left, 0)), start, FOptions.contains(hoRestrictDrag));
    FDragImage->ShowDragImage();
}

void TTreeGridHeader::DragTo(QPoint screenPos)
{
    TTreeGridColumns &columns = *FColumns;
    if (FWidget) {
        const QPoint point = FWidget->mapFromGlobal(screenPos);
        const TColumnIndex target = columns.ColumnFromPosition(point);
        if (target >= 0) {
            int left = 0, right = 0;
            columns.GetColumnBounds(target, left, right);
            const bool before = point.x() < (left + right) / 2;
            if (target != columns.FDropTarget || before != columns.FDropBefore) {
                if (const TTreeGridColumn *old = columns.Items(columns.FDropTarget))
                    Invalidate(old);
                columns.FDropTarget = target;
                columns.FDropBefore = before;
                Invalidate(columns.Items(target));
            }
        }
    }
    if (FDragImage)
        FDragImage->DragTo(screenPos);
}

void TTreeGridHeader::EndDrag()
{
    FDragImage.reset();
}
