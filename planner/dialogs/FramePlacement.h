#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

class QWidget;

// Places a top-level window by its frame, as the user sees it: a corner of the frame at a point
// of the screen, the whole frame on that screen. Before a window first shows, the window manager
// has not framed it yet: its frame is taken to be that of the window it belongs to (the same
// window manager draws both), and once it shows, a frame that stands elsewhere than asked (the
// real frame differs, or the window system placed the window itself) is placed again.
class TFramePlacement : public QObject
{
public:
    explicit TFramePlacement(QWidget *window);

    // The frame's top-left corner at `point`; with `standOn`, the frame ends right above
    // `point` instead, its left edge at the point's x.
    void Place(QPoint point, bool standOn = false);
    // The frame the window will have where it is placed: its own once known, else assumed.
    QRect FrameAt(QPoint topLeft) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMargins Frame() const;
    // Where the frame goes: the asked corner, moved as little as it takes onto the screen.
    QPoint Target() const;
    void Move(QPoint topLeft);

    QPointer<QWidget> FWindow;
    QPoint FPoint;
    bool FStandOn = false;
    // The window shows or has shown since the last Place and may still need the correction.
    bool FChecking = false;
    int FCorrections = 0;
};
