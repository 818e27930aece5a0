#pragma once

// The document's journal: collects the user's own row events until they are written to the
// shared working folder. One per open document, owned by the main window and replaced for
// every new, opened or reloaded document. Only the in-memory side exists so far.

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

class TNodeEvent;

using TNodeEventList = std::vector<std::unique_ptr<TNodeEvent>>;

class TDirWatchThread
{
public:
    // An empty file name is a new, unnamed document.
    explicit TDirWatchThread(const QString &fileName = QString());
    ~TDirWatchThread();

    TDirWatchThread(const TDirWatchThread &) = delete;
    TDirWatchThread &operator=(const TDirWatchThread &) = delete;

    // Takes the event; a pending event of the same row may absorb it.
    void PushDiff(std::unique_ptr<TNodeEvent> event);

    // Events not yet handed to a scan, oldest first.
    const TNodeEventList &PendingEvents() const { return FPendingEvents; }
    // Events pushed but not yet written anywhere (pending or handed to a scan).
    bool HasUnwrittenEvents() const { return !FPendingEvents.empty() || !FPendingThreadEvents.empty(); }

    const QString &Filename() const { return FFileName; }
    // The document's name, or the name a new document would be saved under.
    QString GetPossibleFileName() const;

    // Something the user could save.
    bool Changed() const { return FChanged; }
    void SetChanged(bool value) { FChanged = value; }

private:
    QString FFileName;
    TNodeEventList FPendingEvents;
    // The pending events of each row, oldest first: only events of one row merge, and a
    // document with many edited rows must not compare every new event with all others.
    // Whoever takes events out of FPendingEvents clears this too.
    QHash<QString, std::vector<TNodeEvent *>> FPendingByID;
    TNodeEventList FPendingThreadEvents;
    bool FChanged = false;
};
