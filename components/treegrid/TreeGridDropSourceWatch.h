#pragma once

#include <QObject>

// The drop source's rule over the platform's drag loop, which by itself drops on the release
// of any button and lets other presses pass unseen: while it lives, it watches the mouse
// buttons the application gets. The left and right buttons down together cancel the drag; a
// release that leaves a button down is swallowed, as the drag goes on; the last release drops.
class TTGDropSourceWatch : public QObject
{
public:
    TTGDropSourceWatch();
    ~TTGDropSourceWatch() override;

    TTGDropSourceWatch(const TTGDropSourceWatch &) = delete;
    TTGDropSourceWatch &operator=(const TTGDropSourceWatch &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool FCanceled = false;
};
