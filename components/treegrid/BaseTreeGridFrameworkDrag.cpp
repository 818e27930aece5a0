// Framework-style dragging (dtVCL): a drag from a tree to any tree of the program, without data.
// The source keeps the mouse from its press: moves find the tree under the pointer and send it
// the drag's messages, the release of the last button drops on it (or ends a drag that never
// started); Escape, the left and right buttons together and a lost focus cancel.

#include "treegrid/BaseTreeGrid.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>

namespace {

// The pointer, its tip at the hot spot, with the dragged rows at rowsAt beside it; over a tree
// that refuses the drop a no-entry sign stands at its side. A cursor picture is blended by the
// display itself, with or without a compositor.
QCursor DragCursor(const QPixmap &rows, QPoint rowsAt, bool accepted)
{
    QSize size(26, 20);
    if (!rows.isNull())
        size = size.expandedTo(QSize(rowsAt.x() + rows.width(), rowsAt.y() + rows.height()));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (!rows.isNull())
        painter.drawPixmap(rowsAt, rows);
    static constexpr QPoint Arrow[] = {{0, 0}, {0, 16}, {4, 12}, {7, 18}, {10, 17}, {7, 11}, {12, 11}};
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawPolygon(Arrow, int(std::size(Arrow)));
    if (!accepted) {
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF sign(14, 1, 11, 11);
        painter.setPen(QPen(QColor(200, 0, 0), 2));
        painter.drawEllipse(sign);
        painter.drawLine(sign.topLeft() + QPointF(2.5, 2.5), sign.bottomRight() - QPointF(2.5, 2.5));
    }
    painter.end();
    return QCursor(QPixmap::fromImage(image), 0, 0);
}

} // namespace

// ---- the source's side

void TBaseTreeGrid::DoStartDrag(QObject *&dragObject)
{
    Raise(OnStartDrag, dragObject);
    if (dragObject)
        DoStateChange({tsUserDragObject});
}

void TBaseTreeGrid::DoEndDrag(QObject *target, int x, int y)
{
    const bool started = FFrameworkDragging;
    FFrameworkDragging = false;
    if (started)
        Raise(OnEndDrag, target, x, y);
    DragFinished();
}

void TBaseTreeGrid::DragCanceled()
{
    DragImage().EndDrag();
    DragFinished();
}

void TBaseTreeGrid::DragFinished()
{
    FDragObject = nullptr;
    // Finished already (a cancelled drag finishes before it ends).
    if (!FStates.intersects({tsVCLDragPending, tsVCLDragging, tsUserDragObject}))
        return;
    DoStateChange({}, {tsVCLDragPending, tsVCLDragging, tsUserDragObject});
    // The drag took the button's release: the tree gets one where the pointer is.
    TTGMouseMessage message;
    message.Pos = FLastMousePos;
    message.GlobalPos = viewport()->mapToGlobal(FLastMousePos);
    message.Button = FStates.contains(tsRightButtonDown)    ? Qt::RightButton
                     : FStates.contains(tsMiddleButtonDown) ? Qt::MiddleButton
                                                            : Qt::LeftButton;
    message.Keys = QGuiApplication::keyboardModifiers();
    MouseButtonUp(message);
}

TBaseTreeGrid *TBaseTreeGrid::FrameworkDragTargetAt(QPoint globalPos)
{
    for (QWidget *widget = QApplication::widgetAt(globalPos); widget; widget = widget->parentWidget()) {
        auto *tree = qobject_cast<TBaseTreeGrid *>(widget);
        if (!tree)
            continue;
        // Only the rows take a drop, not the header or the scroll bars.
        return tree->viewport()->rect().contains(tree->viewport()->mapFromGlobal(globalPos)) ? tree : nullptr;
    }
    return nullptr;
}

Qt::MouseButtons TBaseTreeGrid::HeldButtons() const
{
    Qt::MouseButtons buttons;
    if (FStates.contains(tsLeftButtonDown))
        buttons |= Qt::LeftButton;
    if (FStates.contains(tsMiddleButtonDown))
        buttons |= Qt::MiddleButton;
    if (FStates.contains(tsRightButtonDown))
        buttons |= Qt::RightButton;
    return buttons;
}

bool TBaseTreeGrid::FrameworkDragInput(QEvent::Type type, const TTGMouseMessage &message)
{
    if (type == QEvent::MouseButtonRelease && FSwallowRelease.testFlag(message.Button)) {
        FSwallowRelease &= ~Qt::MouseButtons(message.Button);
        return true;
    }
    if (!FStates.contains(tsVCLDragPending))
        return false;
    switch (type) {
    case QEvent::MouseMove:
        if (!FFrameworkDragging) {
            const QPoint moved = message.Pos - FLastClickPos;
            if (std::abs(moved.x()) < FDragThreshold && std::abs(moved.y()) < FDragThreshold)
                return true;
            StartFrameworkDrag();
        }
        FrameworkDragMove(message.GlobalPos, message.Keys);
        return true;
    case QEvent::MouseButtonRelease:
        // Dropped where the last button went up.
        if (FFrameworkDragging)
            FrameworkDragMove(message.GlobalPos, message.Keys);
        if (TTGDragManager::QueryContinueDrag(false, message.Buttons) == dcContinue)
            return true;
        EndFrameworkDrag(true, message.Keys);
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // The left and right buttons together cancel, and neither release means anything
        // afterwards; another button goes along with the drag.
        if (TTGDragManager::QueryContinueDrag(false, message.Buttons | message.Button) == dcCancel) {
            FSwallowRelease |= HeldButtons() | message.Buttons | message.Button;
            EndFrameworkDrag(false, message.Keys);
        }
        return true;
    default:
        return false;
    }
}

void TBaseTreeGrid::CancelFrameworkDrag()
{
    if (!FStates.contains(tsVCLDragPending))
        return;
    FSwallowRelease |= HeldButtons();
    EndFrameworkDrag(false, QGuiApplication::keyboardModifiers());
}

void TBaseTreeGrid::AbandonFrameworkDrag()
{
    if (const QPointer<TBaseTreeGrid> target = FFrameworkTarget; target && target != this)
        target->CMDrag(fdDragLeave, this, target->viewport()->mapFromGlobal(FFrameworkDragPos), Qt::NoModifier);
    FFrameworkTarget = nullptr;
    if (FFrameworkDragging)
        QGuiApplication::restoreOverrideCursor();
    FFrameworkDragging = false;
}

void TBaseTreeGrid::StartFrameworkDrag()
{
    CancelHint();
    // A drag is no click.
    FClickPending = false;
    FFrameworkDragging = true;
    FFrameworkAccepted = false;
    FFrameworkTarget = nullptr;
    QObject *dragObject = nullptr;
    DoStartDrag(dragObject);
    FDragObject = dragObject;
    QPoint hotSpot;
    const QPixmap rows = DragImage(FLastClickPos, hotSpot);
    FFrameworkDragCursor[0] = DragCursor(rows, -hotSpot, false);
    FFrameworkDragCursor[1] = DragCursor(rows, -hotSpot, true);
    QGuiApplication::setOverrideCursor(FFrameworkDragCursor[0]);
}

void TBaseTreeGrid::FrameworkDragMove(QPoint globalPos, Qt::KeyboardModifiers keys)
{
    FFrameworkDragPos = globalPos;
    TBaseTreeGrid *target = FrameworkDragTargetAt(globalPos);
    if (target != FFrameworkTarget) {
        if (TBaseTreeGrid *old = FFrameworkTarget)
            old->CMDrag(fdDragLeave, this, old->viewport()->mapFromGlobal(globalPos), keys);
        FFrameworkTarget = target;
        if (target)
            target->CMDrag(fdDragEnter, this, target->viewport()->mapFromGlobal(globalPos), keys);
    }
    // Asked again, as the previous answer may have changed the target (its events, scrolling).
    target = FFrameworkTarget;
    FFrameworkAccepted = target && target->CMDrag(fdDragMove, this, target->viewport()->mapFromGlobal(globalPos), keys);
    if (FFrameworkDragging && QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(FFrameworkDragCursor[FFrameworkAccepted ? 1 : 0]);
}

void TBaseTreeGrid::EndFrameworkDrag(bool drop, Qt::KeyboardModifiers keys)
{
    const QPointer<TBaseTreeGrid> target = FFrameworkTarget;
    FFrameworkTarget = nullptr;
    if (FFrameworkDragging)
        QGuiApplication::restoreOverrideCursor();
    QObject *dropTarget = nullptr;
    if (target) {
        const QPoint pt = target->viewport()->mapFromGlobal(FFrameworkDragPos);
        if (drop && FFrameworkAccepted && target->CMDrag(fdDragDrop, this, pt, keys))
            dropTarget = target;
        else if (!drop || !FFrameworkAccepted)
            target->CMDrag(fdDragLeave, this, pt, keys);
    }
    FFrameworkAccepted = false;
    if (FFrameworkDragging && !dropTarget)
        DragCanceled();
    DoEndDrag(dropTarget, FLastMousePos.x(), FLastMousePos.y());
}

// ---- the target's side

bool TBaseTreeGrid::CMDrag(TTGFrameworkDragMessage message, TBaseTreeGrid *source, QPoint pt,
                           Qt::KeyboardModifiers keys)
{
    TTGShiftState shift = ShiftStateFrom(keys & (Qt::ShiftModifier | Qt::ControlModifier), Qt::LeftButton);
    switch (message) {
    case fdDragEnter:
        DoStateChange({tsVCLDragging});
        return false;
    case fdDragLeave: {
        FExpandTimer.stop();
        FDragScrollTimer.stop();
        FScrollTimer.stop();
        DoStateChange({}, {tsVCLDragging, tsScrollPending, tsScrolling});
        ClearDropTarget();
        Qt::DropAction effect = Qt::IgnoreAction;
        bool accept = false;
        Raise(OnDragOver, source, shift, dsDragLeave, pt, dmNowhere, effect, accept);
        return false;
    }
    case fdDragMove: {
        DoAutoScroll(pt.x(), pt.y());
        Qt::DropAction effect = Qt::IgnoreAction;
        const bool accepted = DragOver(source, shift, dsDragMove, pt, Qt::CopyAction | Qt::MoveAction, effect);
        FFrameworkDragEffect = accepted ? effect : Qt::IgnoreAction;
        return accepted;
    }
    case fdDragDrop: {
        FExpandTimer.stop();
        FDragScrollTimer.stop();
        FScrollTimer.stop();
        DoStateChange({}, {tsScrollPending, tsScrolling});
        Qt::DropAction effect = FFrameworkDragEffect;
        if (effect != Qt::IgnoreAction)
            Raise(OnDragDrop, source, nullptr, QStringList(), shift, pt, effect, FLastDropMode);
        ClearDropTarget();
        DoStateChange({}, {tsVCLDragging});
        FFrameworkDragEffect = Qt::IgnoreAction;
        return effect != Qt::IgnoreAction;
    }
    }
    return false;
}
