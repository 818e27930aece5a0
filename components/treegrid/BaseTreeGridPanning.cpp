// The mouse wheel, middle-button panning and the scroll timer that moves the view while a
// rubber band or panning reaches beyond the visible part.

#include "treegrid/BaseTreeGrid.h"

#include <QApplication>
#include <QGuiApplication>
#include <QDateTime>
#include <QWheelEvent>

#include <cmath>

#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridPanningWindow.h"

namespace {

// Pixels around the press point in which panning stands still.
constexpr int PanningDeadZone = 8;

// Adds a real amount to a carried remainder; returns the whole pixels and keeps the rest.
int TakeWholePixels(double amount, double &remainder)
{
    const double total = amount + remainder;
    const double whole = std::trunc(total);
    remainder = total - whole;
    return int(std::clamp(whole, -2147483647.0, 2147483647.0));
}

} // namespace

// ---- wheel

void TBaseTreeGrid::wheelEvent(QWheelEvent *event)
{
    // Turns over the frame or the header strip scroll the rows too.
    DoMouseWheel(viewport()->mapFrom(this, event->position().toPoint()), event->angleDelta(), event->modifiers());
    event->accept();
}

void TBaseTreeGrid::DoMouseWheel(const QPoint &pos, QPoint angleDelta, Qt::KeyboardModifiers keys)
{
    StopWheelPanning();
    CancelHint();
    int delta = angleDelta.y();
    bool sideways = false;
    if (delta == 0) {
        delta = angleDelta.x();
        sideways = true;
    }
    if (delta == 0)
        return;
    bool handled = false;
    Raise(OnMouseWheel, ShiftStateFrom(keys), delta, pos, handled);
    if (handled)
        return;

    // A touchpad turns in small steps: the fraction of a pixel is kept for the next one.
    const double wheelFactor = delta / 120.0;
    const int lines = QApplication::wheelScrollLines();
    const bool ctrl = keys.testFlag(Qt::ControlModifier);
    if (FRangeY > ClientHeight() && !keys.testFlag(Qt::ShiftModifier) && !sideways) {
        const double amount = ctrl ? ClientHeight() * wheelFactor : lines * wheelFactor * FDefaultNodeHeight;
        const int pixels = TakeWholePixels(amount, FWheelRemainderY);
        if (pixels != 0)
            DoSetOffsetXY(QPoint(FOffsetX, int(std::clamp<std::int64_t>(std::int64_t(FOffsetY) + pixels, INT32_MIN,
                                                                         INT32_MAX))),
                          DefaultScrollUpdateFlags);
    } else {
        TTreeGridColumns *columns = Header()->Columns();
        const double amount = ctrl ? (ClientWidth() - columns->GetVisibleFixedWidth()) * wheelFactor
                                   : columns->GetScrollWidth() * lines * wheelFactor;
        const int rtlFactor = UseRightToLeftReading() ? -1 : 1;
        const int pixels = TakeWholePixels(amount * rtlFactor, FWheelRemainderX);
        if (pixels != 0)
            DoSetOffsetXY(QPoint(int(std::clamp<std::int64_t>(std::int64_t(FOffsetX) + pixels, INT32_MIN, INT32_MAX)),
                                 FOffsetY),
                          DefaultScrollUpdateFlags);
    }
}

// ---- panning

QWidget *TBaseTreeGrid::PanningWindow() const
{
    return FPanningWindow;
}

void TBaseTreeGrid::StartWheelPanning(QPoint position)
{
    FScrollTimer.stop();
    DoStateChange({tsWheelPanning, tsWheelScrolling});
    const bool vertical = FRangeY > ClientHeight();
    const bool horizontal = FRangeX > ClientWidth();
    const TTGPanningKind kind = !horizontal ? pkMoveNS : !vertical ? pkMoveEW : pkMoveAll;
    delete FPanningWindow;
    FPanningWindow = new TTreeGridPanningWindow(kind, this);
    FPanningWindow->move(viewport()->mapToGlobal(position) - QPoint(16, 16));
    FPanningWindow->show();
    viewport()->grabMouse();
    AdjustPanningCursor(position.x(), position.y());
    FScrollDirections = {};
    FScrollTimer.start(20);
}

void TBaseTreeGrid::StopWheelPanning()
{
    if (!IsPanning())
        return;
    FScrollTimer.stop();
    if (QWidget::mouseGrabber() == viewport())
        viewport()->releaseMouse();
    DoStateChange({}, {tsWheelPanning, tsWheelScrolling});
    delete FPanningWindow;
    if (FPanningCursorKind >= 0)
        QGuiApplication::restoreOverrideCursor();
    FPanningCursorKind = -1;
    FScrollDirections = {};
}

void TBaseTreeGrid::AdjustPanningCursor(int x, int y)
{
    const bool vertical = FRangeY > ClientHeight();
    const bool horizontal = FRangeX > ClientWidth();
    const int dx = x - FLastClickPos.x();
    const int dy = y - FLastClickPos.y();
    TTGPanningKind kind;
    if (std::abs(dx) <= 7 && std::abs(dy) <= 7) {
        kind = !horizontal ? pkMoveNS : !vertical ? pkMoveEW : pkMoveAll;
    } else if (vertical && horizontal) {
        if (dx >= -8 && dx <= 8)
            kind = dy < 0 ? pkMoveN : pkMoveS;
        else if (dx > 8)
            kind = dy < -8 ? pkMoveNE : dy > 8 ? pkMoveSE : pkMoveE;
        else
            kind = dy < -8 ? pkMoveNW : dy > 8 ? pkMoveSW : pkMoveW;
    } else if (vertical) {
        kind = dy < 0 ? pkMoveN : pkMoveS;
    } else {
        kind = dx < 0 ? pkMoveW : pkMoveE;
    }
    if (int(kind) != FPanningCursorKind) {
        // The marker window under the pointer would show its own cursor: panning owns the
        // pointer while it runs.
        if (FPanningCursorKind < 0)
            QGuiApplication::setOverrideCursor(PanningCursor(kind));
        else
            QGuiApplication::changeOverrideCursor(PanningCursor(kind));
        FPanningCursorKind = int(kind);
    }
}

// ---- auto-scroll

bool TBaseTreeGrid::CanAutoScroll()
{
    const bool panning = IsPanning();
    return (FOptions->AutoOptions().contains(toAutoScroll) || panning) && HeaderIdle()
           && (IsMouseSelecting() || FStates.contains(tsVCLDragging) || panning);
}

TScrollDirections TBaseTreeGrid::DetermineScrollDirections(int x, int y)
{
    TScrollDirections result;
    if (!CanAutoScroll())
        return result;
    if (IsPanning()) {
        // Panning follows the pointer at once; only the dead zone around the press holds it.
        const int dx = x - FLastClickPos.x();
        const int dy = y - FLastClickPos.y();
        if (dx < -PanningDeadZone)
            result += sdLeft;
        else if (dx > PanningDeadZone)
            result += sdRight;
        if (dy < -PanningDeadZone)
            result += sdUp;
        else if (dy > PanningDeadZone)
            result += sdDown;
        return result;
    }
    const int margin = int(FDefaultNodeHeight);
    const int clientWidth = ClientWidth();
    const int clientHeight = ClientHeight();
    if (x < margin && FEffectiveOffsetX != 0)
        result += sdLeft;
    if (x >= clientWidth - margin && FRangeX - FEffectiveOffsetX > clientWidth)
        result += sdRight;
    if (y < margin && FOffsetY != 0)
        result += sdUp;
    if (y >= clientHeight - margin && std::int64_t(clientHeight) - FOffsetY < FRangeY)
        result += sdDown;
    if (result.empty()) {
        FDragScrollStart = 0;
        return result;
    }
    if (!viewport()->rect().contains(x, y))
        return result;
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    if (FDragScrollStart == 0)
        FDragScrollStart = now;
    if (now - FDragScrollStart < std::int64_t(FAutoScrollDelay))
        result = {};
    return result;
}

void TBaseTreeGrid::DoAutoScroll(int x, int y)
{
    FScrollDirections = DetermineScrollDirections(x, y);
    if (IsPanning())
        return;
    if (!FScrollDirections.empty()) {
        if (!FStates.intersects({tsScrollPending, tsScrolling})) {
            DoStateChange({tsScrollPending});
            FScrollTimer.start(int(FAutoScrollDelay));
        }
    } else {
        FScrollTimer.stop();
        DoStateChange({}, {tsScrollPending, tsScrolling});
    }
}

void TBaseTreeGrid::ScrollTimerTick()
{
    if (FStates.contains(tsScrollPending)) {
        CancelHint();
        FScrollTimer.start(int(std::max<std::uint32_t>(1, FAutoScrollInterval)));
        DoStateChange({tsScrolling}, {tsScrollPending});
    }
    DoTimerScroll();
}

void TBaseTreeGrid::DoTimerScroll()
{
    const QPoint p = FLastMousePos;
    const QRect client = viewport()->rect();
    const bool inRect = client.contains(p);
    const bool panning = IsPanning();
    const bool selecting = IsMouseSelecting();
    if (!selecting && !inRect && !panning)
        return;

    const int clientHeight = ClientHeight();
    const int clientWidth = ClientWidth();
    const int incrementY = std::min<int>(FScrollBarOptions->VerticalIncrement(), clientHeight);
    const int incrementX = FScrollBarOptions->HorizontalIncrement();
    std::int64_t dx = 0;
    std::int64_t dy = 0;
    if (FScrollDirections.contains(sdUp)) {
        if (panning)
            dy = FLastClickPos.y() - p.y() - PanningDeadZone;
        else
            dy = inRect ? incrementY : std::int64_t(incrementY) * std::max(1, -p.y());
    } else if (FScrollDirections.contains(sdDown)) {
        if (panning)
            dy = FLastClickPos.y() - p.y() + PanningDeadZone;
        else
            dy = inRect ? -incrementY : -std::int64_t(incrementY) * std::max(1, p.y() - clientHeight);
    }
    if (FScrollDirections.contains(sdLeft)) {
        if (panning)
            dx = FLastClickPos.x() - p.x() - PanningDeadZone;
        else
            dx = inRect ? incrementX : std::int64_t(incrementX) * std::max(1, -p.x());
    } else if (FScrollDirections.contains(sdRight)) {
        if (panning)
            dx = FLastClickPos.x() - p.x() + PanningDeadZone;
        else
            dx = inRect ? -incrementX : -std::int64_t(incrementX) * std::max(1, p.x() - clientWidth);
    }
    if (UseRightToLeftReading())
        dx = -dx;

    const QPoint target(int(std::clamp<std::int64_t>(FOffsetX + dx, INT32_MIN, INT32_MAX)),
                        int(std::clamp<std::int64_t>(FOffsetY + dy, INT32_MIN, INT32_MAX)));
    if ((dx != 0 || dy != 0) && DoSetOffsetXY(target, DefaultScrollUpdateFlags) && selecting) {
        // The band's loose corner stays under the pointer while the rows move.
        if (HandleDrawSelection(p.x(), p.y())) {
            Invalidate();
            Change(nullptr);
        } else {
            viewport()->update(SelectionBandOnScreen(FNewSelRect).united(SelectionBandOnScreen(FLastSelRect)));
        }
    }

    if (FOffsetY == 0)
        FScrollDirections -= sdUp;
    if (std::int64_t(clientHeight) - FOffsetY >= FRangeY)
        FScrollDirections -= sdDown;
    if (FEffectiveOffsetX == 0)
        FScrollDirections -= sdLeft;
    if (FRangeX - FEffectiveOffsetX <= clientWidth)
        FScrollDirections -= sdRight;
    if (FScrollDirections.empty() && !panning) {
        FScrollTimer.stop();
        DoStateChange({}, {tsScrollPending, tsScrolling});
    }
}
