// The journal object: construction, the folder's paths, generations, presence files and the
// identity lock. Events and writing are in DirWatchThreadStore.cpp.

#include "sync/DirWatchThread.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <limits>

#include <sys/stat.h>

#include "AtomicFile.h"
#include "Helper.h"
#include "Language.h"
#include "Log.h"
#include "sync/WatcherThread.h"
#include "sync/WorkingFolder.h"

TDirWatchThread::TDirWatchThread(const QString &fileName, TNodeEventList *previousEvents)
{
    if (previousEvents) {
        MoveEvents(FPendingEvents, *previousEvents);
    }
    // Absolute, so that the folder does not move with the current directory; through its
    // links, so that the journal lies beside the file every user opens.
    if (!fileName.isEmpty())
        FFileName = platform::resolvedFilePath(fileName);
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
    return !FFileName.isEmpty() && FileExistsInView(GetLockedFileName());
}

// ---- generations

void TDirWatchThread::GetHistoryInfo(qint64 &first, qint64 &last, int &count, TDateTime &newest,
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
        qint64 n = 0;
        if (!ParseGenerationName(backup ? rec.Name.chopped(1) : rec.Name, n))
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

std::vector<qint64> TDirWatchThread::Generations() const
{
    std::vector<qint64> numbers;
    if (FFileName.isEmpty())
        return numbers;
    ListDirectories(GetTmpDirectory(), QStringLiteral("*.*"), [&](const TSearchRec &rec) {
        qint64 n = 0;
        if ((rec.Attr & faDirectory) != 0 && ParseGenerationName(rec.Name, n))
            numbers.push_back(n);
    });
    std::sort(numbers.begin(), numbers.end());
    // A share may list a new folder long after it answers for it by name.
    qint64 known = -1;
    ParseGenerationName(FWorkingDir, known);
    if (!numbers.empty())
        known = std::max(known, numbers.back());
    for (const qint64 n : ProbeGenerations(GetTmpDirectory(), known))
        numbers.push_back(n);
    return numbers;
}

bool TDirWatchThread::HasWorkingCopy(const QString &dir) const
{
    return !FFileName.isEmpty() && FileExistsInView(GetWorkingFileName(dir));
}

qint64 TDirWatchThread::NewestGeneration() const
{
    const std::vector<qint64> numbers = Generations();
    for (auto it = numbers.rbegin(); it != numbers.rend(); ++it)
        if (HasWorkingCopy(QString::number(*it)))
            return *it;
    return -1;
}

void TDirWatchThread::FindWorkingDirectory(bool copyDocument)
{
    qint64 chosen = NewestGeneration();
    if (chosen < 0) {
        const std::vector<qint64> numbers = Generations();
        chosen = numbers.empty() ? 0 : numbers.back();
    }
    SetWorkingDir(QString::number(chosen));
    if (copyDocument && !FFileName.isEmpty() && QFileInfo::exists(FFileName)
        && !QFileInfo::exists(GetWorkingFileName()))
        SeedWorkingCopy(FFileName);
}

qint64 TDirWatchThread::ClaimGeneration(qint64 after, QString &error, int *errorCode)
{
    const std::vector<qint64> numbers = Generations();
    qint64 next = std::max(after, numbers.empty() ? qint64(-1) : numbers.back());
    // A few tries: another save may take the same number at the same moment, and an
    // entry of that name may be a file.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (next >= std::numeric_limits<qint64>::max() / 10) {
            error = QStringLiteral("the working folder has no generation number left");
            return -1;
        }
        ++next;
        const QString path = GetTmpDirectory() + QString::number(next);
        const int code = MakeSharedFolderEntry(path);
        if (code == 0)
            return next;
        if (code != EEXIST) {
            const QString problem = FolderWriteProblem(GetTmpDirectory());
            error = QStringLiteral("Cannot make the generation folder \"%1\": %2")
                        .arg(path, problem.isEmpty() ? platform::systemErrorText(code) : problem);
            if (errorCode)
                *errorCode = code;
            return -1;
        }
    }
    error = QStringLiteral("Cannot make a generation folder in \"%1\"").arg(GetTmpDirectory());
    return -1;
}

QString TDirWatchThread::GetBaseFileName(const QString &dir) const
{
    if (FFileName.isEmpty())
        return QString();
    return GetWorkingFileName(dir) + QStringLiteral(".base");
}

QStringList TDirWatchThread::OwnDiffFiles(const QString &dir) const
{
    QStringList names;
    if (FFileName.isEmpty())
        return names;
    const QString prefix = UserIdentity() + QLatin1Char('.');
    // From the disk itself: these are this instance's own files.
    const QStringList entries =
        QDir(GetTmpDirectory() + dir).entryList({prefix + QStringLiteral("*.diff")}, QDir::Files, QDir::Name);
    for (const QString &name : entries) {
        bool ok = false;
        name.mid(prefix.size()).chopped(5).toInt(&ok);
        if (ok)
            names.append(name);
    }
    return names;
}

qint32 TDirWatchThread::OwnIdHighWaterMark() const
{
    qint32 highest = 0;
    if (FFileName.isEmpty())
        return highest;
    const QString prefix = UserIdentity() + QLatin1Char('.');
    for (const qint64 generation : Generations()) {
        const QString folder = GetTmpDirectory() + QString::number(generation) + QLatin1Char('/');
        const QStringList entries = QDir(folder).entryList({prefix + QStringLiteral("*.diff*")}, QDir::Files);
        for (const QString &name : entries) {
            TScannedFile file;
            QString reason;
            if (TWatcherThread::ReadXMLFile(folder + name, file, reason) != TWatcherThread::rrRead)
                continue;
            const TXMLNode *diff = file.Tree->namedNode(QStringList{QStringLiteral("document"), QStringLiteral("diff")});
            if (!diff)
                continue;
            for (const auto &event : diff->Nodes()) {
                const TXMLAttribute *id = event->namedAttribute(QStringLiteral("id"));
                if (!id || !id->GetValue().startsWith(prefix))
                    continue;
                bool ok = false;
                const qint32 number = id->GetValue().mid(prefix.size()).toInt(&ok);
                if (ok)
                    highest = std::max(highest, number);
            }
        }
    }
    return highest;
}

bool TDirWatchThread::SetWorkingDir(const QString &dir)
{
    if (dir == FWorkingDir)
        return FFolderError.isEmpty();
    StopBackgroundThread();
    FXMLFiles.clear();
    FDiffFile.clear();
    FWorkingDir = dir;
    FFolderError.clear();
    return RetryWorkingDir();
}

bool TDirWatchThread::RetryWorkingDir()
{
    if (FFileName.isEmpty())
        return true;
    const QString folder = GetWorkingDir();
    QString error;
    if (QFileInfo(folder).isDir() || MakeSharedFolder(folder, &error)) {
        FFolderError.clear();
        return true;
    }
    // Say what stands in the way: a file where a folder belongs, a read-only disk, a shared
    // folder this user may not write into.
    FFolderError = error.isEmpty() ? QStringLiteral("the folder \"%1\" cannot be made").arg(folder) : error;
    return false;
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
