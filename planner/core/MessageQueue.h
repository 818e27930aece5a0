#pragma once

// Messages shown later, from the event loop, rather than inside the event, the idle step or
// the road that found their reason (a box runs an event loop of its own). Every such message
// passes here, so that two rules hold for all of them:
//   - right before its box opens, the message's reason is asked once more, and a message whose
//     reason is gone (the problem mended, the document it was about closed) is dropped;
//   - once the window has closed nothing more is shown, and boxes still open are closed, so
//     that no box outlives the window and keeps the program running.

#include <QObject>
#include <QString>

#include <deque>
#include <functional>

#include "core/PlannerWindow.h"

class TMessageQueue : public QObject
{
public:
    explicit TMessageQueue(IPlannerWindow &window, QObject *parent = nullptr);

    // Shows the message with an OK button once the event loop runs again, when `stillHolds`
    // (if given) answers true then. The same text already waiting is not queued twice.
    void Post(const QString &text, TMsgDlgType type, std::function<bool()> stillHolds = {});
    // The window closed: what waits is dropped, open message boxes close as if cancelled, and
    // nothing is shown from now on.
    void Close();
    bool IsClosed() const { return FClosed; }
    // Messages waiting to be shown.
    int Waiting() const { return int(FWaiting.size()); }

private:
    struct TMessage
    {
        QString Text;
        TMsgDlgType Type = mtInformation;
        std::function<bool()> StillHolds;
    };
    void ShowNext();

    IPlannerWindow &FWindow;
    std::deque<TMessage> FWaiting;
    bool FClosed = false;
    bool FShowing = false;
};
