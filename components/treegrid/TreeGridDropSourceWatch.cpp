#include "treegrid/TreeGridDropSourceWatch.h"

#include <QCoreApplication>
#include <QDrag>
#include <QMouseEvent>
#include <QTimer>

#include "treegrid/TreeGridDragManager.h"

TTGDropSourceWatch::TTGDropSourceWatch()
{
    // The loop puts its own watch on the application as it starts, and the watch put there last
    // is asked first: this one joins once the loop runs.
    QTimer::singleShot(0, this, [this] { QCoreApplication::instance()->installEventFilter(this); });
}

TTGDropSourceWatch::~TTGDropSourceWatch()
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool TTGDropSourceWatch::eventFilter(QObject *, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonRelease)
        return false;
    // The buttons down after the press or release.
    switch (TTGDragManager::QueryContinueDrag(false, static_cast<QMouseEvent *>(event)->buttons())) {
    case dcCancel:
        if (!FCanceled) {
            FCanceled = true;
            QDrag::cancel();
        }
        return true;
    case dcContinue:
        return true;
    case dcDrop:
        break;
    }
    return false;
}
