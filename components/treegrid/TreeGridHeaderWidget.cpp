#include "treegrid/TreeGridHeaderWidget.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScrollBar>

#include "Canvas.h"
#include "treegrid/BaseTreeGrid.h"

TTreeGridHeaderWidget::TTreeGridHeaderWidget(TTreeGridHeader *header, TBaseTreeGrid *tree)
    : QWidget(tree), FHeader(header), FTree(tree)
{
    setObjectName(QStringLiteral("header"));
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setVisible(false);
    FTimer.setInterval(50);
    connect(&FTimer, &QTimer::timeout, this, &TTreeGridHeaderWidget::TimerTick);
    tree->installEventFilter(this);
    tree->viewport()->installEventFilter(this);
    // Hovering the splitters that reach into the rows shows their cursor.
    tree->viewport()->setMouseTracking(true);
    // The header scrolls sideways with the rows.
    connect(tree->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { update(); });
}

TTreeGridHeaderWidget::~TTreeGridHeaderWidget()
{
    if (FKeyboardGrabbed)
        releaseKeyboard();
}

void TTreeGridHeaderWidget::UpdatePlacement()
{
    if (!FTree)
        return;
    const QRect rows = FTree->viewport()->geometry();
    const int height = std::max(0, FHeader->Height());
    setGeometry(rows.x(), rows.y() - height, rows.width(), height);
    setVisible(FHeader->Options().contains(hoVisible));
    update();
}

void TTreeGridHeaderWidget::StartHeaderTimer()
{
    FTimer.start();
}

void TTreeGridHeaderWidget::StopHeaderTimer()
{
    FTimer.stop();
}

void TTreeGridHeaderWidget::Capture(bool capture)
{
    if (capture && !FKeyboardGrabbed && isVisible()) {
        grabKeyboard();
        FKeyboardGrabbed = true;
    } else if (!capture && FKeyboardGrabbed) {
        releaseKeyboard();
        FKeyboardGrabbed = false;
    }
}

QPoint TTreeGridHeaderWidget::ToClient(QPoint widgetPoint) const
{
    return widgetPoint - QPoint(0, FHeader->Height());
}

bool TTreeGridHeaderWidget::HeaderInputActive() const
{
    return FHeader->States().intersects({hsDragging, hsDragPending, hsColumnWidthTracking, hsColumnWidthTrackPending,
                                         hsHeightTracking, hsHeightTrackPending});
}

bool TTreeGridHeaderWidget::Send(TTGHeaderMessageKind kind, QPoint clientPos, QPoint globalPos,
                                 Qt::KeyboardModifiers keys, Qt::MouseButtons buttons, int key)
{
    TTGHeaderMessage message;
    message.Kind = kind;
    message.Pos = clientPos;
    message.ScreenPos = globalPos;
    message.Shift = ShiftStateFrom(keys, buttons);
    message.Key = key;
    return FHeader->HandleMessage(message);
}

void TTreeGridHeaderWidget::UpdateCursor(QWidget *target, QPoint clientPos, bool &cursorSet)
{
    if (HeaderInputActive())
        return;
    TTGHeaderMessage message;
    message.Kind = hmSetCursor;
    message.Pos = clientPos;
    if (FHeader->HandleMessage(message)) {
        target->setCursor(TCursorRegistry::Cursor(message.Cursor));
        cursorSet = true;
    } else if (cursorSet) {
        target->unsetCursor();
        cursorSet = false;
    }
}

void TTreeGridHeaderWidget::paintEvent(QPaintEvent *)
{
    TCanvas canvas(this);
    FHeader->Columns()->PaintHeader(canvas, FHeader->HeaderRect(), -FHeader->TreeEffectiveOffsetX());
}

namespace {

// The message of a button's press or double click on the strip; false for other buttons.
bool MessageOf(Qt::MouseButton button, TTGHeaderMessageKind left, TTGHeaderMessageKind right,
               TTGHeaderMessageKind middle, TTGHeaderMessageKind &kind)
{
    switch (button) {
    case Qt::LeftButton: kind = left; return true;
    case Qt::RightButton: kind = right; return true;
    case Qt::MiddleButton: kind = middle; return true;
    default: return false;
    }
}

} // namespace

void TTreeGridHeaderWidget::mousePressEvent(QMouseEvent *event)
{
    const QPoint local = event->position().toPoint();
    FLastPos = local;
    TTGHeaderMessageKind kind;
    if (MessageOf(event->button(), hmNCLButtonDown, hmNCRButtonDown, hmNCMButtonDown, kind))
        Send(kind, ToClient(local), event->globalPosition().toPoint(), event->modifiers(), event->buttons());
}

void TTreeGridHeaderWidget::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint local = event->position().toPoint();
    TTGHeaderMessageKind kind;
    switch (event->button()) {
    case Qt::LeftButton:
        // A release after the header took the mouse, or outside the strip, is one over the rows.
        kind = HeaderInputActive() || !rect().contains(local) ? hmLButtonUp : hmNCLButtonUp;
        break;
    case Qt::RightButton: kind = hmNCRButtonUp; break;
    case Qt::MiddleButton: kind = hmNCMButtonUp; break;
    default: return;
    }
    Send(kind, ToClient(local), event->globalPosition().toPoint(), event->modifiers(), event->buttons());
}

void TTreeGridHeaderWidget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint local = event->position().toPoint();
    FLastPos = local;
    const QPoint global = event->globalPosition().toPoint();
    if (HeaderInputActive()) {
        Send(hmMouseMove, ToClient(local), global, event->modifiers(), event->buttons());
        return;
    }
    Send(hmNCMouseMove, ToClient(local), global, event->modifiers(), event->buttons());
    if (event->buttons() == Qt::NoButton)
        UpdateCursor(this, ToClient(local), FCursorSet);
}

void TTreeGridHeaderWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint local = event->position().toPoint();
    TTGHeaderMessageKind kind;
    if (MessageOf(event->button(), hmNCLButtonDblClk, hmNCRButtonDblClk, hmNCMButtonDblClk, kind))
        Send(kind, ToClient(local), event->globalPosition().toPoint(), event->modifiers(), event->buttons());
}

void TTreeGridHeaderWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape
        && Send(hmKeyDown, ToClient(FLastPos), mapToGlobal(FLastPos), event->modifiers(), Qt::NoButton, event->key()))
        return;
    QWidget::keyPressEvent(event);
}

void TTreeGridHeaderWidget::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (FCursorSet) {
        unsetCursor();
        FCursorSet = false;
    }
    TimerTick();
}

void TTreeGridHeaderWidget::TimerTick()
{
    // Outside the strip the point lies left of it.
    const QPoint local = underMouse() ? FLastPos : QPoint(-1, -1);
    Send(hmHeaderTimer, ToClient(local), mapToGlobal(local), Qt::NoModifier, Qt::NoButton);
}

bool TTreeGridHeaderWidget::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ToolTip: {
        // Column hints are the tree's hints: one window, one set of rules.
        auto *help = static_cast<QHelpEvent *>(event);
        if (!FTree || !FTree->ShowHintAt(ToClient(help->pos()), help->globalPos()))
            event->ignore();
        return true;
    }
    case QEvent::WindowDeactivate:
        Send(hmKillFocus, ToClient(FLastPos), mapToGlobal(FLastPos), Qt::NoModifier, Qt::NoButton);
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool TTreeGridHeaderWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (FTree) {
        if (watched == FTree->viewport())
            return ViewportEvent(event);
        if (watched == FTree)
            TreeEvent(event);
    }
    return QWidget::eventFilter(watched, event);
}

bool TTreeGridHeaderWidget::ViewportEvent(QEvent *event)
{
    QWidget *viewport = FTree->viewport();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint pos = mouse->position().toPoint();
        const QPoint global = mouse->globalPosition().toPoint();
        if (event->type() == QEvent::MouseMove) {
            if (HeaderInputActive())
                return Send(hmMouseMove, pos, global, mouse->modifiers(), mouse->buttons());
            if (mouse->buttons() == Qt::NoButton)
                UpdateCursor(viewport, pos, FViewportCursorSet);
            return false;
        }
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (event->type() == QEvent::MouseButtonPress)
            return Send(hmLButtonDown, pos, global, mouse->modifiers(), mouse->buttons());
        if (event->type() == QEvent::MouseButtonDblClick)
            return Send(hmLButtonDblClk, pos, global, mouse->modifiers(), mouse->buttons());
        if (HeaderInputActive())
            return Send(hmLButtonUp, pos, global, mouse->modifiers(), mouse->buttons());
        return false;
    }
    case QEvent::Leave:
        if (FViewportCursorSet) {
            viewport->unsetCursor();
            FViewportCursorSet = false;
        }
        return false;
    case QEvent::Resize:
        Send(hmSize, QPoint(), QPoint(), Qt::NoModifier, Qt::NoButton);
        FHeader->UpdateSpringColumns();
        UpdatePlacement();
        return false;
    case QEvent::Move:
        UpdatePlacement();
        return false;
    default:
        return false;
    }
}

void TTreeGridHeaderWidget::TreeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusOut:
        Send(hmKillFocus, ToClient(FLastPos), mapToGlobal(FLastPos), Qt::NoModifier, Qt::NoButton);
        break;
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape)
            Send(hmKeyDown, ToClient(FLastPos), mapToGlobal(FLastPos), key->modifiers(), Qt::NoButton, key->key());
        break;
    }
    case QEvent::FontChange:
        Send(hmParentFontChanged, QPoint(), QPoint(), Qt::NoModifier, Qt::NoButton);
        break;
    case QEvent::LayoutDirectionChange:
        Send(hmParentBiDiModeChanged, QPoint(), QPoint(), Qt::NoModifier, Qt::NoButton);
        break;
    case QEvent::Show:
        if (FHeader->States().contains(hsNeedScaling))
            FHeader->RescaleHeader();
        FHeader->RecalculateHeader();
        break;
    default:
        break;
    }
}
