#include "core/MessageQueue.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

TMessageQueue::TMessageQueue(IPlannerWindow &window, QObject *parent) : QObject(parent), FWindow(window)
{
    setObjectName(QStringLiteral("MessageQueue"));
}

void TMessageQueue::Post(const QString &text, TMsgDlgType type, std::function<bool()> stillHolds)
{
    if (FClosed)
        return;
    // Said again before it was shown: once, asked about with the newest reason.
    for (TMessage &waiting : FWaiting)
        if (waiting.Text == text) {
            waiting.Type = type;
            waiting.StillHolds = std::move(stillHolds);
            return;
        }
    FWaiting.push_back(TMessage{text, type, std::move(stillHolds)});
    QMetaObject::invokeMethod(this, &TMessageQueue::ShowNext, Qt::QueuedConnection);
}

void TMessageQueue::ShowNext()
{
    // One box at a time: the next follows once this one is answered.
    if (FShowing)
        return;
    while (!FClosed && !FWaiting.empty()) {
        TMessage message = std::move(FWaiting.front());
        FWaiting.pop_front();
        if (message.StillHolds && !message.StillHolds())
            continue;
        const QPointer<TMessageQueue> alive(this);
        FShowing = true;
        FWindow.Ask(message.Text, message.Type, {mbOK});
        if (!alive)
            return;
        FShowing = false;
        if (!FWaiting.empty())
            QMetaObject::invokeMethod(this, &TMessageQueue::ShowNext, Qt::QueuedConnection);
        return;
    }
}

void TMessageQueue::Close()
{
    FClosed = true;
    FWaiting.clear();
    // A box open now would keep the program running without its window.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        if (auto *box = qobject_cast<TMessageForm *>(window); box && box->isVisible())
            static_cast<QDialog *>(box)->reject();
}
