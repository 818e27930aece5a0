#include "dialogs/FramePlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

// A window whose frame was placed against the window system's own placement is placed again
// at most this often: the window manager has the last word.
constexpr int MaxCorrections = 2;

bool Framed(const QWidget *window)
{
    const QWindow *handle = window->windowHandle();
    return handle && window->isVisible() && !handle->frameMargins().isNull();
}

} // namespace

TFramePlacement::TFramePlacement(QWidget *window)
    : QObject(window), FWindow(window)
{
    window->installEventFilter(this);
}

QMargins TFramePlacement::Frame() const
{
    if (Framed(FWindow))
        return FWindow->windowHandle()->frameMargins();
    if (const QWidget *owner = FWindow->parentWidget() ? FWindow->parentWidget()->window() : nullptr)
        if (const QWindow *handle = owner->windowHandle())
            return handle->frameMargins();
    return {};
}

QRect TFramePlacement::FrameAt(QPoint topLeft) const
{
    return QRect(topLeft, FWindow->size().grownBy(Frame()));
}

QPoint TFramePlacement::Target() const
{
    QRect frame = FrameAt(FPoint);
    if (FStandOn)
        frame.moveBottomLeft(FPoint - QPoint(0, 1));
    // The screen of the point; of a point on no screen (one that is no longer attached), the
    // window's own.
    const QScreen *screen = QGuiApplication::screenAt(FPoint);
    if (!screen)
        screen = FWindow->screen() ? FWindow->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        frame.moveLeft(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - frame.width())));
        frame.moveTop(std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height())));
    }
    return frame.topLeft();
}

void TFramePlacement::Place(QPoint point, bool standOn)
{
    FPoint = point;
    FStandOn = standOn;
    FCorrections = 0;
    FChecking = true;
    Move(Target());
}

void TFramePlacement::Move(QPoint topLeft)
{
    // Not made yet, the window is made with its frame there. (Made before the move, before the
    // window manager framed it, its inside would go there instead: the check at showing mends
    // that.)
    const bool same = FWindow->pos() == topLeft;
    FWindow->move(topLeft);
    // A window shown again is placed anew by the window manager unless it is asked for a
    // place, which a move to where it stands does not do by itself.
    if (QWindow *handle = FWindow->windowHandle(); same && handle && !FWindow->isVisible())
        handle->setPosition(FWindow->geometry().topLeft());
}

bool TFramePlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FWindow) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Paint:
        case QEvent::UpdateRequest:
        case QEvent::WindowActivate:
            // Once framed, the frame is where it was asked to be, or placed there again. The
            // window manager frames and places a window before it is drawn or activated (also
            // one shown again, which it may place anew); a frame that did not move the window
            // sends no event of its own. Only a window on the screen has its place for sure.
            if (FChecking && Framed(FWindow)) {
                const QPoint target = Target();
                if (FWindow->frameGeometry().topLeft() == target) {
                    if (FWindow->windowHandle()->isExposed())
                        FChecking = false;
                } else if (FCorrections < MaxCorrections) {
                    ++FCorrections;
                    Move(target);
                } else {
                    FChecking = false;
                }
            }
            break;
        case QEvent::Hide:
            FChecking = false;
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
