#include "sync/WorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <mutex>
#include <vector>

#include <sys/stat.h>

#include "Log.h"

namespace {

struct TViewEntry
{
    qint64 SeenAt = 0;
    QDateTime Time;
    bool Exists = false;
    TFileStamp Stamp;
    std::vector<TSearchRec> Listing;
};

struct TFolderView
{
    std::mutex Lock;
    int Delay = 0;
    int ListingDelay = 0;
    QElapsedTimer Clock;
    QHash<QString, TViewEntry> Entries;
};

TFolderView &View()
{
    static TFolderView view;
    return view;
}

// Runs `fetch` into a fresh entry unless one younger than the delay is there; returns a copy.
template<typename Fetch>
TViewEntry Seen(const QString &key, Fetch fetch, bool listing = false)
{
    TFolderView &view = View();
    {
        std::lock_guard<std::mutex> guard(view.Lock);
        const int delay = listing ? std::max(view.Delay, view.ListingDelay) : view.Delay;
        if (delay <= 0) {
            TViewEntry entry;
            fetch(entry);
            return entry;
        }
        const auto found = view.Entries.constFind(key);
        if (found != view.Entries.constEnd() && view.Clock.elapsed() - found->SeenAt < delay)
            return *found;
    }
    TViewEntry entry;
    fetch(entry);
    std::lock_guard<std::mutex> guard(view.Lock);
    entry.SeenAt = view.Clock.elapsed();
    view.Entries.insert(key, entry);
    return entry;
}

std::atomic<quint64> ListingsMade{0};

std::vector<TSearchRec> ListNow(const QString &folder, const QString &mask, int attributes)
{
    ++ListingsMade;
    std::vector<TSearchRec> result;
    QDir dir(folder);
    if (!dir.exists())
        return result;
    // Windows masks: "*.*" matches names without a dot too.
    const QString pattern = mask == QStringLiteral("*.*") ? QStringLiteral("*") : mask;
    const QFileInfoList entries = dir.entryInfoList({pattern}, QDir::AllEntries | QDir::Hidden | QDir::System,
                                                    QDir::Name);
    for (const QFileInfo &entry : entries) {
        const bool isDir = entry.isDir();
        if (isDir && (attributes & faDirectory) == 0)
            continue;
        TSearchRec rec;
        rec.Name = entry.fileName();
        rec.Attr = isDir ? faDirectory : 0;
        rec.Size = isDir ? 0 : entry.size();
        rec.LastWriteTime = entry.lastModified();
        rec.CreationTime = entry.birthTime();
        if (!rec.CreationTime.isValid())
            rec.CreationTime = entry.metadataChangeTime();
        result.push_back(rec);
    }
    return result;
}

// Sets one of the view's delays; what was seen before counts no more.
void SetDelay(int TFolderView::*delay, int milliseconds)
{
    TFolderView &view = View();
    std::lock_guard<std::mutex> guard(view.Lock);
    view.*delay = std::max(0, milliseconds);
    view.Entries.clear();
    if (!view.Clock.isValid())
        view.Clock.start();
}

} // namespace

void SetFolderViewDelay(int milliseconds)
{
    SetDelay(&TFolderView::Delay, milliseconds);
}

void SetFolderListingDelay(int milliseconds)
{
    SetDelay(&TFolderView::ListingDelay, milliseconds);
}

bool FileExistsInView(const QString &path)
{
    return Seen(QStringLiteral("e\n") + path, [&](TViewEntry &entry) { entry.Exists = QFileInfo::exists(path); })
        .Exists;
}

bool FolderExistsInView(const QString &path)
{
    return Seen(QStringLiteral("d\n") + path, [&](TViewEntry &entry) { entry.Exists = QFileInfo(path).isDir(); })
        .Exists;
}

namespace {

qint64 Nanoseconds(const struct timespec &time)
{
    return qint64(time.tv_sec) * 1000000000LL + qint64(time.tv_nsec);
}

TFileStamp StampOf(const struct stat &info)
{
    TFileStamp stamp;
    stamp.Size = qint64(info.st_size);
    stamp.Modified = Nanoseconds(info.st_mtim);
    stamp.Changed = Nanoseconds(info.st_ctim);
    stamp.Device = quint64(info.st_dev);
    stamp.Inode = quint64(info.st_ino);
    return stamp;
}

} // namespace

TFileStamp FileStampInView(const QString &path)
{
    return Seen(QStringLiteral("s\n") + path, [&](TViewEntry &entry) {
               struct stat info;
               if (::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISDIR(info.st_mode))
                   entry.Stamp = StampOf(info);
           })
        .Stamp;
}

TFileStamp FileStampOf(int fileDescriptor)
{
    struct stat info;
    if (fileDescriptor < 0 || ::fstat(fileDescriptor, &info) != 0)
        return TFileStamp();
    return StampOf(info);
}

std::vector<qint64> ProbeGenerations(const QString &documentFolder, qint64 known)
{
    std::vector<qint64> found;
    if (documentFolder.isEmpty() || known < -1)
        return found;
    // Numbers are claimed one after the other; a gap is a save that was given up.
    constexpr int MissesToEnd = 2;
    int misses = 0;
    for (qint64 n = known + 1; misses < MissesToEnd && n < std::numeric_limits<qint64>::max() / 10; ++n) {
        if (FolderExistsInView(documentFolder + QString::number(n))) {
            found.push_back(n);
            misses = 0;
        } else {
            ++misses;
        }
    }
    return found;
}

quint64 FolderListingsMade()
{
    return ListingsMade.load();
}

bool ParseGenerationName(const QString &name, qint64 &number)
{
    if (name.isEmpty() || name.size() > 18)
        return false;
    for (const QChar c : name)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    if (name.size() > 1 && name.at(0) == QLatin1Char('0'))
        return false;
    bool ok = false;
    number = name.toLongLong(&ok, 10);
    return ok;
}

TDateTime FileTimeToDateTime(const QDateTime &fileTime)
{
    if (!fileTime.isValid())
        throw EOSError(QStringLiteral("Invalid file time"));
    return QDateTimeToDateTime(fileTime.toLocalTime());
}

QDateTime GetFileFileTime(const QString &name)
{
    return Seen(QStringLiteral("t\n") + name, [&](TViewEntry &entry) {
               const QFileInfo info(name);
               entry.Time = info.exists() ? info.lastModified() : QDateTime();
           })
        .Time;
}

qint64 GetFileTime(const QString &name)
{
    const QDateTime time = GetFileFileTime(name);
    return time.isValid() ? time.toMSecsSinceEpoch() : 0;
}

qint64 GetFileSize(const QString &name)
{
    const QFileInfo info(name);
    if (!info.exists())
        throw EOSError(QStringLiteral("Cannot query \"%1\": the file does not exist").arg(name));
    return info.size();
}

bool ListFileOrDir(const QString &folder, const QString &mask, const TListFileCallBack &callback,
                   int attributes)
{
    const QString key = QStringLiteral("l\n%1\n%2\n%3").arg(folder, mask, QString::number(attributes));
    const std::vector<TSearchRec> entries =
        Seen(key, [&](TViewEntry &entry) { entry.Listing = ListNow(folder, mask, attributes); }, true).Listing;
    bool result = true;
    for (const TSearchRec &rec : entries) {
        try {
            callback(rec);
        } catch (const std::exception &e) {
            Log(QString::fromLocal8Bit(e.what()));
            result = false;
        } catch (...) {
            Log(QStringLiteral("Unknown error while listing ") + folder);
            result = false;
        }
    }
    return result;
}

bool ListFiles(const QString &folder, const QString &mask, const TListFileCallBack &callback)
{
    return ListFileOrDir(folder, mask, callback, faAnyFileButDirectory);
}

bool ListDirectories(const QString &folder, const QString &mask, const TListFileCallBack &callback)
{
    return ListFileOrDir(folder, mask, callback, faDirectory);
}

void Touch(const QString &name)
{
    try {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            throw EOSError(QStringLiteral("Cannot touch \"%1\": %2").arg(name, file.errorString()));
        if (!file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime))
            throw EOSError(QStringLiteral("Cannot touch \"%1\": %2").arg(name, file.errorString()));
    } catch (const std::exception &e) {
        Log(QString::fromLocal8Bit(e.what()));
    }
}

namespace {

bool renameEntry(const QString &from, const QString &to)
{
    return QFileInfo(from).isDir() ? QDir().rename(from, to) : QFile::rename(from, to);
}

} // namespace

bool MoveToTrash(const QString &path, QString *error)
{
    const auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return fail(QStringLiteral("\"%1\" does not exist").arg(path));
    // Qt gives up on a home trash that has never been used.
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                          + QStringLiteral("/Trash");
    for (const QString &sub : {QStringLiteral("/files"), QStringLiteral("/info")}) {
        // Qt falls back to the current folder when the home trash is unusable: never let it.
        const QString folder = trash + sub;
        QDir().mkpath(folder);
        const QFileInfo folderInfo(folder);
        if (!folderInfo.isDir() || !folderInfo.isWritable())
            return fail(QStringLiteral("Cannot move \"%1\" to the trash: no trash folder").arg(path));
    }

    const QString absolute = info.absoluteFilePath();
    QString inTrash;
    if (!QFile::moveToTrash(absolute, &inTrash))
        return fail(QStringLiteral("Cannot move \"%1\" to the trash").arg(path));
    if (QDir::isAbsolutePath(inTrash))
        return true;
    // Some Qt versions report a relative path after moving the entry into the current
    // folder: that is no trash, so it goes back where it was.
    const QString misplaced = QFileInfo(inTrash).absoluteFilePath();
    if (!inTrash.isEmpty() && QFileInfo::exists(misplaced) && !QFileInfo::exists(absolute))
        renameEntry(misplaced, absolute);
    if (!inTrash.isEmpty()) {
        const QFileInfo entry(misplaced);
        QFile::remove(entry.dir().filePath(QStringLiteral("../info/") + entry.fileName()
                                           + QStringLiteral(".trashinfo")));
    }
    return fail(QStringLiteral("Cannot move \"%1\" to the trash: no trash folder").arg(path));
}
