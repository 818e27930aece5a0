#pragma once

// The synchronisation's state for one journal and generation, shared by the DocumentSync
// units only.

#include <QElapsedTimer>
#include <QSet>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "sync/EarlyFileRead.h"
#include "sync/NodeEvent.h"
#include "sync/DocumentSync.h"
#include "sync/WatcherThread.h"
#include "XmlTree.h"

#include "DateTime.h"
#include "sync/DirWatchThread.h"
#include "sync/WorkingFolder.h"

// Milliseconds of this machine's clock that never jumps.
inline qint64 LocalClockMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

// How long a save elsewhere has left no new trace in the shared folder, by the share's own
// clock (see ShareClockNow): a save that died long ago on another machine is known dead at the
// first look, whenever this instance first saw it.
class TSaveTraceClock
{
public:
    // Milliseconds since the newest of `traces` was written, -1 when that cannot be told.
    // Measured afresh once a second, and whenever it would reach `grace` only by counting on:
    // a save that wrote something just now is never given up.
    qint64 Quiet(const QString &folder, const std::function<QStringList()> &traces, qint64 grace)
    {
        const qint64 now = LocalClockMs();
        if (FAt < 0 || now - FAt >= 1000 || (FAge >= 0 && FAge < grace && FAge + now - FAt >= grace)) {
            FAge = ShareAgeMs(folder, NewestWriteTime(traces()));
            FAt = now;
        }
        return FAge < 0 ? -1 : FAge + (now - FAt);
    }
    void Reset()
    {
        FAge = -1;
        FAt = -1;
    }

private:
    qint64 FAge = -1;
    qint64 FAt = -1;
};

// One file of another user, or the generation's working copy.
struct TSyncFile
{
    std::unique_ptr<TXMLTree> Tree;
    TFileStamp Stamp; // of the version in Tree
    int LastIndex = -1;
    bool Changed = false;
};

struct TDocumentSync::TSyncState
{
    // Whose files these are: the state starts afresh for another journal or generation.
    const TDirWatchThread *Journal = nullptr;
    QString FileName;
    QString WorkingDir;

    std::map<QString, TSyncFile> Files;
    std::unique_ptr<TWatcherThread> Thread;
    TDateTime LastScan = 0;
    bool Online = true;
    int NumPendingFiles = 0;
    // Files that could not be taken whole, by path and size: said once in the log.
    QSet<QString> Reported;
    TDateTime NextReloadTry = 0;
    bool ReloadFailureLogged = false;
    // When this instance first saw the current generation closed without a successor
    // (monotonic milliseconds, -1 while it is not).
    qint64 LockSeenAt = -1;
    // The generation stays closed beyond the grace time and cannot be recovered.
    bool Stuck = false;
    QString StuckReason;
    // The newest generation with a working copy the last scan saw above the current one.
    qint64 NewerGeneration = -1;
    // The lock copy as last read, and what it was found to be.
    TFileStamp LockStamp;
    bool LockDamaged = false;
    QString LockReason;
    // Whether the save that closed the generation is known to be gone, asked again then
    // (LocalClockMs).
    bool SaverGone = false;
    qint64 NextSaverCheck = 0;
    TSaveTraceClock LockTraces;
    // Why the last write of the own events failed (empty: written, or waiting for a lock).
    QString StoreError;
    TDateTime NextFolderTry = 0;
    // What the user was last told about sharing (kept across journals and generations).
    int SharingProblem = 0;
    QString SharingDetail;
    // The protection line shown while sharing works.
    QString ProtectionShown;
    // The working copy read beside the loading of the document, for the first scan.
    TEarlyFileRead EarlyWorkingCopy;
    // The working copy of the newer generation to move to, read before the move.
    TEarlyFileRead NewerWorkingCopy;
    // Own events no diff file holds, only the working copy of the generation an own save
    // made; kept across generations of the document until a move shows whether the
    // generation followed is built on that one.
    std::vector<std::pair<qint64, std::vector<TDiffRecord>>> SavedOnly;

    // When this instance first saw a file of a save under way as it is now.
    struct TQuietFile
    {
        TFileStamp Stamp;
        qint64 Since = 0;
    };
    std::map<QString, TQuietFile> Quiet;
    // How long `path` has stood as `stamp`, timed here alone: a share's clock may be far
    // off, so its file times tell nothing of a save's age.
    qint64 QuietFor(const QString &path, const TFileStamp &stamp)
    {
        const qint64 now = LocalClockMs();
        const auto [it, made] = Quiet.try_emplace(path, TQuietFile{stamp, now});
        if (!made && !(it->second.Stamp == stamp))
            it->second = TQuietFile{stamp, now};
        return now - it->second.Since;
    }

    void Reset(const TDirWatchThread *journal)
    {
        if (!journal || journal->Filename() != FileName)
            SavedOnly.clear();
        Thread.reset(); // asks the scan to stop and waits
        Journal = journal;
        FileName = journal ? journal->Filename() : QString();
        WorkingDir = journal ? journal->WorkingDir() : QString();
        Files.clear();
        NumPendingFiles = 0;
        Reported.clear();
        LastScan = Now();
        LockSeenAt = -1;
        Stuck = false;
        StuckReason.clear();
        NewerGeneration = -1;
        LockStamp = TFileStamp();
        LockDamaged = false;
        LockReason.clear();
        SaverGone = false;
        NextSaverCheck = 0;
        LockTraces.Reset();
        Quiet.clear();
    }
};

