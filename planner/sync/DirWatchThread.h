#pragma once

// The document's journal and its shared working folder. One per open document, owned by the
// document's synchronisation and replaced for every new, opened, saved-as or reloaded
// document. Despite its name it is a plain object; the synchronisation scan runs on a worker
// of its own and stops it through SetScanStopper.
//
// Folder layout for a document D/N (D its folder, N its file name, I the user identity):
//   D/.zop/                       shared root folder
//   D/.zop/N/                     document folder (GetTmpDirectory)
//   D/.zop/N/I.user               presence file, touched by every scan
//   D/.zop/N/I.ini                per-user document settings
//   D/.zop/N/I.lock               held while this identity journals the document
//   D/.zop/N/<n>/                 generation folder n = 0, 1, 2 ... (GetWorkingDir)
//   D/.zop/N/<n>/N                working copy: the document as the generation began
//   D/.zop/N/<n>/N.locked         lock copy written by a save: the generation is closed
//   D/.zop/N/<n>/I.<k>.diff       this user's diff file (k = 1 unless one was unreadable)
//   D/.zop/N/<n>~/                backup generation (listed, never made here)
// Folder paths end in "/". A journal for an unnamed document does no folder work at all and
// all its paths are empty.
//
// Threads: PushDiff and HandOverPendingEvents run on the GUI thread; StorePending may run on
// the scan thread, and touches only the handed-over events, the file map and the files.
// Events move between the two lists only while no scan runs.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "DateTime.h"
#include "sync/NodeEvent.h"
#include "sync/XMLFile.h"

class QLockFile;

enum TListType { ltHistory, ltBackup };

class TDirWatchThread
{
public:
    // An empty file name is a new, unnamed document. A named one picks the newest generation
    // (copying the document in when it has no working copy yet) and takes the identity lock.
    // previousEvents, when given, are moved into the pending events (and it is left empty).
    explicit TDirWatchThread(const QString &fileName = QString(), TNodeEventList *previousEvents = nullptr);
    // Stops the scan, deletes the presence file and releases the identity lock.
    ~TDirWatchThread();

    TDirWatchThread(const TDirWatchThread &) = delete;
    TDirWatchThread &operator=(const TDirWatchThread &) = delete;

    // ---- paths (pure computations, any thread)
    const QString &Filename() const { return FFileName; }
    const QString &WorkingDir() const { return FWorkingDir; }
    QString GetTmpRootDirectory() const;
    QString GetTmpDirectory() const;
    QString GetWorkingDir() const;
    // The working copy in generation dir (the current one when empty).
    QString GetWorkingFileName(const QString &dir = QString()) const;
    QString GetLockedFileName(const QString &dir = QString()) const;
    QString GetUserFileName() const;
    QString GetUserSettingsFileName() const;
    QString GetIdentityLockFileName() const;
    // The document's name, or the name a new document would be saved under.
    QString GetPossibleFileName() const;
    // The current generation is closed by a lock copy.
    bool isLocked() const;

    // ---- generations
    // Lowest and highest number, count and newest creation time of the generation folders
    // of the given kind; none gives first = 2147483647, last = 0, count = 0, newest = 0.
    // Numbers are 64-bit: a folder named 2147483647 is followed by 2147483648.
    void GetHistoryInfo(qint64 &first, qint64 &last, int &count, TDateTime &newest, TListType listType) const;
    // The highest generation that has a working copy, -1 when none has. Folders without one
    // are saves that are under way or died before their working copy.
    qint64 NewestGeneration() const;
    // The generation folders' numbers, ascending: the listed ones, and those above them and
    // above the current one that answer by name but are not listed yet.
    std::vector<qint64> Generations() const;
    bool HasWorkingCopy(const QString &dir) const;
    // Makes the newest generation with a working copy current (else the highest-numbered
    // one, "0" when there is none) and, when asked, copies the document in as its working
    // copy unless it has one.
    void FindWorkingDirectory(bool copyDocument);
    // Claims the next generation folder for a save: the first number above every existing
    // generation and above `after` that this call could create itself. -1 (with `error`, and
    // the system's error number in `errorCode`) when none can be made.
    qint64 ClaimGeneration(qint64 after, QString &error, int *errorCode = nullptr);
    // The record of what generation dir's working copy was made from ("<document>.base").
    QString GetBaseFileName(const QString &dir = QString()) const;
    // This user's diff files in generation dir, by name.
    QStringList OwnDiffFiles(const QString &dir) const;
    // The highest running number of a row id of this user in its diff files of every
    // generation (0 when none): ids up to it may be known to others and are never reused.
    qint32 OwnIdHighWaterMark() const;
    // Copies `source` in as the current generation's working copy unless it has one.
    bool SeedWorkingCopy(const QString &source);
    // Makes generation folder dir current, creating it with its parents. Stops the scan and
    // forgets the files of the previous generation. False when the folder cannot be made
    // (FolderError() says why; the journal then writes nothing until it can).
    bool SetWorkingDir(const QString &dir);
    // Tries again to make the current generation folder; true when it is there.
    bool RetryWorkingDir();
    const QString &FolderError() const { return FFolderError; }
    // Clearing the flag remembers the document file's present write time.
    void SetNeedReload(bool value);
    bool NeedReload() const { return FNeedReload; }
    qint64 FileTime() const { return FFileTime; }

    // ---- other users and revertible generations
    struct TPresentUser
    {
        QString Name;
        bool Own = false;
    };
    // Users whose presence file was touched less than 60 seconds before now.
    QVector<TPresentUser> PresentUsers(const QDateTime &now) const;
    struct TRevertEntry
    {
        QString Name;      // the generation folder's name
        TDateTime Date = 0; // the lock copy's write time
        bool Backup = false;
    };
    // Every generation with a lock copy, in listing order.
    QVector<TRevertEntry> RevertibleGenerations() const;

    // ---- identity lock
    // Another instance with this identity journals the document: nothing is written.
    bool JournalRefused() const { return FJournalRefused; }
    // Held by this journal right now.
    bool HoldsIdentityLock() const;

    // ---- events (GUI thread)
    // Takes the event; the newest pending event of the same row may absorb it.
    void PushDiff(std::unique_ptr<TNodeEvent> event);
    // Cells of one row written: merged into the row's newest pending change when there is one,
    // without making an event of them.
    void PushCells(const QString &id, qint32 changeIndex, TWhichTable table, const QVector<int> &columns,
                   const QStringList &texts, qint64 stamp);
    // Events not yet handed to a scan, oldest first.
    const TNodeEventList &PendingEvents() const { return FPendingEvents; }
    // Takes the events not yet handed to a scan (the reload road applies them again).
    TNodeEventList TakePendingEvents();
    // Turns the pending events into file records and hands them to the writer. Only while no
    // scan runs. `compressed` is the "Save File compressed" option now.
    void HandOverPendingEvents(const IJournalFormat &format, bool compressed);
    // Takes the events handed to the writer and not written (only while no scan runs).
    TNodeEventList TakeHandedOverEvents();
    const TNodeEventList &HandedOverEvents() const { return FPendingThreadEvents; }
    // Drops every own event not yet written: a save holds them.
    void DropUnwrittenEvents();
    // Both counts include handed-over events: ask only while no scan writes.
    int NumPendingEvents() const { return int(FPendingEvents.size() + FPendingThreadEvents.size()); }
    // Events pushed but not yet written anywhere (pending or handed to a scan).
    bool HasUnwrittenEvents() const { return !FPendingEvents.empty() || !FPendingThreadEvents.empty(); }

    // ---- writing (scan thread, or GUI thread while no scan runs)
    // Appends the handed-over events to this user's diff file of the current generation, a
    // closed one too, and rewrites it. True when they are written (or there was nothing to
    // write); otherwise they stay for the next try and the file is as before. Nothing is
    // logged here: StoreError() says why it failed.
    bool StorePending();
    // The same with own events of an earlier generation first, which the current one lacks
    // (records read back from the own diff files there). The own diff file is made even when
    // there is nothing to write: it tells a later opening that this user went on here.
    bool StoreCarried(const std::vector<TDiffRecord> &records);
    // Lets go of the own diff file of the current generation without writing: the next scan
    // reads it like a file of an earlier run, and the next write continues it.
    void ForgetOwnDiffFile();
    QString StoreError() const;
    // The highest index written to the own diff file of the current generation (-1: none).
    int OwnLastIndex() const;
    // On closing: stops the scan, hands every pending event over and writes at once.
    bool ForceStorePending(const IJournalFormat &format, bool compressed);
    // Stops a running scan and waits for it (through the scan's stopper, when one is set).
    // Runs before every change of generation and when the journal ends.
    void StopBackgroundThread();
    // The hook of the synchronisation scan: how to stop and wait for its worker. Its owner
    // clears it before it goes.
    void SetScanStopper(std::function<void()> stopper) { FStopScan = std::move(stopper); }
    // The user's diff file of the current generation; empty until the first write.
    const QString &DiffFile() const { return FDiffFile; }

    // Something the user could save (drives the Save action).
    bool Changed() const { return FChanged; }
    void SetChanged(bool value) { FChanged = value; }

    // The files loaded in the current generation, by full path.
    std::map<QString, std::unique_ptr<TXMLFile>> &XMLFiles() { return FXMLFiles; }

private:
    bool Store(const std::vector<TDiffRecord> &carried, bool makeFile);
    // The newest own diff file of the generation to continue in; its number is the highest
    // used so far, moved-aside files included.
    QString ChooseDiffFile() const;
    // Moves an own diff file that cannot be used aside and switches to the next number.
    bool MoveDiffFileAside(const QString &reason);
    bool AcquireIdentityLock();

    QString FFileName;
    QString FWorkingDir;
    QString FDiffFile;
    qint64 FFileTime = 0;

    TNodeEventList FPendingEvents;
    // The newest pending event of each row: only it may absorb the row's next event, so the
    // order of a row's events survives merging and no event is compared with all others.
    // Indexed when asked for (the first FIndexedPending events are): the events of one row
    // after another (a put back row, its cells) need only the last one.
    QHash<QString, TNodeEvent *> FNewestPending;
    std::size_t FIndexedPending = 0;
    TNodeEvent *NewestPending(const QString &id);
    void ForgetNewestPending()
    {
        FNewestPending.clear();
        FIndexedPending = 0;
    }
    TNodeEventList FPendingThreadEvents;
    bool FThreadCompressed = true;

    std::map<QString, std::unique_ptr<TXMLFile>> FXMLFiles;

    std::function<void()> FStopScan;
    std::atomic<bool> FChanged{false};
    std::atomic<bool> FNeedReload{false};

    QString FFolderError;
    mutable std::mutex FStoreErrorLock;
    QString FStoreError;

    std::unique_ptr<QLockFile> FIdentityLock;
    std::atomic<bool> FJournalRefused{false};
};
