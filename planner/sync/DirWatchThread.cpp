// The journal object: construction, the folder's paths, generations, presence files and the
// identity lock. Events and writing are in DirWatchThreadStore.cpp.

#include "sync/DirWatchThread.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <climits>

#include "AtomicFile.h"
#include "Helper.h"
#include "Language.h"
#include "Log.h"
#include "sync/WorkingFolder.h"

TDirWatchThread::TDirWatchThread(const QString &fileName, TNodeEventList *previousEvents)
{
    if (previousEvents) {
        MoveEvents(FPendingEvents, *previousEvents);
        for (const auto &event : FPendingEvents)
            FNewestPending[event->ID()] = event.get();
    }
    // Absolute, so that the folder does not move with the current directory.
    if (!fileName.isEmpty())
        FFileName = QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
    if (!FFileName.isEmpty()) {
        FindWorkingDirectory(true);
        // The leading dot already hides the shared root folder.
        AcquireIdentityLock();
    }
    SetNeedReload(false);
}

TDirWatchThread::~TDirWatchThread()
{
    StopBackgroundThread();
    // A refused second instance must not take the first one's presence away.
    if (!FFileName.isEmpty() && !FJournalRefused)
        QFile::remove(GetUserFileName());
}

// ---- paths

QString TDirWatchThread::GetTmpRootDirectory() const
{
    if (FFileName.isEmpty())
        return QString();
    return QFileInfo(FFileName).absolutePath() + QStringLiteral("/.zop/");
}

QString TDirWatchThread::GetTmpDirectory() const
{
    if (FFileName.isEmpty())
        return QString();
    return GetTmpRootDirectory() + QFileInfo(FFileName).fileName() + QLatin1Char('/');
}

QString TDirWatchThread::GetWorkingDir() const
{
    if (FFileName.isEmpty())
        return QString();
    return GetTmpDirectory() + FWorkingDir + QLatin1Char('/');
}

QString TDirWatchThread::GetWorkingFileName(const QString &dir) const
{
    if (FFileName.isEmpty())
        return QString();
    return GetTmpDirectory() + (dir.isEmpty() ? FWorkingDir : dir) + QLatin1Char('/')
           + QFileInfo(FFileName).fileName();
}

QString TDirWatchThread::GetLockedFileName(const QString &dir) const
{
    if (FFileName.isEmpty())
        return QString();
    return GetWorkingFileName(dir) + QStringLiteral(".locked");
}

QString TDirWatchThread::GetUserFileName() const
{
    if (FFileName.isEmpty())
        return QString();
    return GetTmpDirectory() + UserIdentity() + QStringLiteral(".user");
}

QString TDirWatchThread::GetUserSettingsFileName() const
{
    if (FFileName.isEmpty())
        return QString();
    return GetTmpDirectory() + UserIdentity() + QStringLiteral(".ini");
}

QString TDirWatchThread::GetIdentityLockFileName() const
{
    if (FFileName.isEmpty())
        return QString();
    return GetTmpDirectory() + UserIdentity() + QStringLiteral(".lock");
}

QString TDirWatchThread::GetPossibleFileName() const
{
    if (!FFileName.isEmpty())
        return FFileName;
    return Translate(QStringLiteral("New Table")) + QStringLiteral(".zop");
}

bool TDirWatchThread::isLocked() const
{
    return !FFileName.isEmpty() && QFileInfo::exists(GetLockedFileName());
}

// ---- generations

void TDirWatchThread::GetHistoryInfo(int &first, int &last, int &count, TDateTime &newest,
                                     TListType listType) const
{
    first = INT_MAX;
    last = 0;
    count = 0;
    newest = 0;
    if (FFileName.isEmpty())
        return;
    ListDirectories(GetTmpDirectory(), QStringLiteral("*.*"), [&](const TSearchRec &rec) {
        // A file cannot be a generation, whatever its name.
        if ((rec.Attr & faDirectory) == 0)
            return;
        const bool backup = rec.Name.endsWith(QLatin1Char('~'));
        if (backup != (listType == ltBackup))
            return;
        bool ok = false;
        const int n = (backup ? rec.Name.chopped(1) : rec.Name).toInt(&ok, 10);
        if (!ok || n < 0)
            return;
        first = std::min(first, n);
        last = std::max(last, n);
        ++count;
        if (rec.CreationTime.isValid()) {
            const TDateTime created = FileTimeToDateTime(rec.CreationTime);
            if (created > newest)
                newest = created;
        }
    });
}

void TDirWatchThread::FindWorkingDirectory(bool copyDocument)
{
    int first = 0;
    int last = 0;
    int count = 0;
    TDateTime newest = 0;
    GetHistoryInfo(first, last, count, newest, ltHistory);
    SetWorkingDir(QString::number(last));
    if (copyDocument && !FFileName.isEmpty() && QFileInfo::exists(FFileName)
        && !QFileInfo::exists(GetWorkingFileName()))
        SeedWorkingCopy(FFileName);
}

bool TDirWatchThread::SetWorkingDir(const QString &dir)
{
    if (dir == FWorkingDir)
        return true;
    StopBackgroundThread();
    FXMLFiles.clear();
    FDiffFile.clear();
    FWorkingDir = dir;
    if (FFileName.isEmpty())
        return true;
    if (!QDir().mkpath(GetWorkingDir())) {
        Log(QStringLiteral("Cannot create the working folder ") + GetWorkingDir());
        return false;
    }
    return true;
}

bool TDirWatchThread::SeedWorkingCopy(const QString &source)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        Log(QStringLiteral("Cannot copy %1: %2").arg(source, file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        Log(QStringLiteral("Cannot copy %1: %2").arg(source, file.errorString()));
        return false;
    }
    // Whole or not at all, and an existing working copy is never overwritten: another
    // instance may have seeded it at the same moment.
    platform::TAtomicFile target(GetWorkingFileName());
    if (target.Prepare(bytes) && target.Commit(false))
        return true;
    if (!target.Exists())
        Log(target.ErrorString());
    return false;
}

void TDirWatchThread::SetNeedReload(bool value)
{
    FNeedReload = value;
    if (!value)
        FFileTime = GetFileTime(FFileName);
}

// ---- other users and revertible generations

QVector<TDirWatchThread::TPresentUser> TDirWatchThread::PresentUsers(const QDateTime &now) const
{
    QVector<TPresentUser> users;
    if (FFileName.isEmpty())
        return users;
    const QString own = UserIdentity();
    ListFiles(GetTmpDirectory(), QStringLiteral("*.user"), [&](const TSearchRec &rec) {
        if (!rec.Name.endsWith(QStringLiteral(".user")) || !rec.LastWriteTime.isValid())
            return;
        if (rec.LastWriteTime.msecsTo(now) >= 60 * 1000)
            return;
        TPresentUser user;
        user.Name = rec.Name.chopped(5);
        user.Own = user.Name == own;
        users.append(user);
    });
    return users;
}

QVector<TDirWatchThread::TRevertEntry> TDirWatchThread::RevertibleGenerations() const
{
    QVector<TRevertEntry> entries;
    if (FFileName.isEmpty())
        return entries;
    ListDirectories(GetTmpDirectory(), QStringLiteral("*.*"), [&](const TSearchRec &rec) {
        const QString locked = GetLockedFileName(rec.Name);
        if (!QFileInfo::exists(locked))
            return;
        TRevertEntry entry;
        entry.Name = rec.Name;
        entry.Date = FileTimeToDateTime(GetFileFileTime(locked));
        entry.Backup = rec.Name.endsWith(QLatin1Char('~'));
        entries.append(entry);
    });
    return entries;
}

// ---- identity lock

bool TDirWatchThread::AcquireIdentityLock()
{
    if (FFileName.isEmpty())
        return false;
    if (FIdentityLock && FIdentityLock->isLocked())
        return true;
    if (!FIdentityLock) {
        FIdentityLock = std::make_unique<QLockFile>(GetIdentityLockFileName());
        // Stale only when its process is gone, never by age: an instance may stay open for days.
        FIdentityLock->setStaleLockTime(0);
    }
    if (FIdentityLock->tryLock(0)) {
        FJournalRefused = false;
        return true;
    }
    if (FIdentityLock->error() == QLockFile::LockFailedError) {
        if (!FJournalRefused)
            Log(QStringLiteral("Another instance of %1 journals %2").arg(UserIdentity(), FFileName));
        FJournalRefused = true;
    }
    return false;
}

void TDirWatchThread::StopBackgroundThread()
{
    if (FStopScan)
        FStopScan();
}

bool TDirWatchThread::HoldsIdentityLock() const
{
    return FIdentityLock && FIdentityLock->isLocked();
}
