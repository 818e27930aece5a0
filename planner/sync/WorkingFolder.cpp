#include "sync/WorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <limits>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "AtomicFile.h"
#include "Log.h"
#include "SystemInfo.h"

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
    // A share's attribute cache, which opening a file refreshes: for stamps alone, on top of
    // the view's delay.
    int StampDelay = 0;
    QHash<QString, TViewEntry> Entries;
};

TFolderView &View()
{
    static TFolderView view;
    return view;
}

// The delays of the kinds of answers.
int ViewDelayOf(const TFolderView &view)
{
    return view.Delay;
}

int ListingDelayOf(const TFolderView &view)
{
    return std::max(view.Delay, view.ListingDelay);
}

int StampDelayOf(const TFolderView &view)
{
    return view.StampDelay;
}

// Runs `fetch` into a fresh entry unless one younger than the delay is there; returns a copy.
// The disk is asked outside the lock: a fetch may ask the view again.
template<typename Fetch>
TViewEntry Seen(const QString &key, Fetch fetch, int (*delayOf)(const TFolderView &) = ViewDelayOf)
{
    TFolderView &view = View();
    int delay = 0;
    {
        std::lock_guard<std::mutex> guard(view.Lock);
        delay = delayOf(view);
        const auto found = delay > 0 ? view.Entries.constFind(key) : view.Entries.constEnd();
        if (found != view.Entries.constEnd() && view.Clock.elapsed() - found->SeenAt < delay)
            return *found;
    }
    TViewEntry entry;
    fetch(entry);
    if (delay <= 0)
        return entry;
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

// The attribute cache's entry for the stamp of a file.
QString StampKey(const QString &path)
{
    return QStringLiteral("c\n") + path;
}

} // namespace

TFileStamp FileStampInView(const QString &path)
{
    // The attribute cache answers first; behind it the view as a whole.
    return Seen(StampKey(path), [&](TViewEntry &cached) {
               cached.Stamp = Seen(QStringLiteral("s\n") + path, [&](TViewEntry &entry) {
                                  struct stat info;
                                  if (::stat(QFile::encodeName(path).constData(), &info) == 0
                                      && !S_ISDIR(info.st_mode))
                                      entry.Stamp = StampOf(info);
                              }).Stamp;
           }, StampDelayOf)
        .Stamp;
}

namespace {

// FUSE clients (sshfs) keep a file's size and pages for a while after another machine
// rewrote it; reads that go to the file server are asked for with O_DIRECT.
bool OnFuse(int fd)
{
    constexpr long FuseMagic = 0x65735546;
    struct statfs info;
    return fd >= 0 && ::fstatfs(fd, &info) == 0 && long(info.f_type) == FuseMagic;
}

// Reads an open file from its start, up to `limit` bytes (-1: all), directly from the file
// server where the file system takes O_DIRECT, elsewhere as usual; false on a failing read.
bool ReadDirect(int fd, qint64 limit, QByteArray &bytes, int &error)
{
    const int flags = ::fcntl(fd, F_GETFL);
    bool direct = flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_DIRECT) == 0;
    // O_DIRECT wants aligned buffers, offsets and lengths. Large requests: a share's client
    // splits them into many requests to the server that are under way at once.
    constexpr qint64 Align = 4096;
    constexpr qint64 Block = 1 << 20;
    // A head needs no more than itself.
    const qint64 room = limit < 0 ? Block : std::min(Block, (limit + Align - 1) / Align * Align);
    void *buffer = nullptr;
    if (::posix_memalign(&buffer, Align, std::size_t(room)) != 0) {
        error = ENOMEM;
        return false;
    }
    bytes.clear();
    bool ok = true;
    while (limit < 0 || bytes.size() < limit) {
        const qint64 wanted = limit < 0 ? room : std::min(room, (limit - bytes.size() + Align - 1) / Align * Align);
        const ssize_t got = ::pread(fd, buffer, std::size_t(wanted), off_t(bytes.size()));
        if (got < 0 && errno == EINTR)
            continue;
        // A short read left an offset a disk cannot read directly: the rest as usual.
        if (got < 0 && errno == EINVAL && direct && ::fcntl(fd, F_SETFL, flags) == 0) {
            direct = false;
            continue;
        }
        if (got < 0) {
            error = errno;
            ok = false;
            break;
        }
        if (got == 0)
            break;
        bytes.append(static_cast<const char *>(buffer), qsizetype(got));
    }
    std::free(buffer);
    if (direct)
        ::fcntl(fd, F_SETFL, flags);
    if (limit >= 0 && bytes.size() > limit)
        bytes.truncate(limit);
    return ok;
}

quint64 HeadHash(int fd)
{
    QByteArray head;
    int error = 0;
    if (!ReadDirect(fd, 4096, head, error))
        return 0;
    // Never 0, which stands for none; the length tells a file cut short.
    return (quint64(qHash(head, 0x5eed)) << 16 | quint64(head.size() & 0xffff)) | (quint64(1) << 63);
}

} // namespace

TFileStamp FreshFileStamp(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    TFolderView &view = View();
    bool playing = false;
    {
        std::lock_guard<std::mutex> guard(view.Lock);
        playing = view.StampDelay > 0;
    }
    TFileStamp stamp = FileStampInView(path);
    if (fd >= 0 && playing) {
        // This opening refreshes the cache with the file as it is now, for the next look; one
        // that knew the file as missing finds it, as opening it made the client look it up.
        {
            std::lock_guard<std::mutex> guard(view.Lock);
            view.Entries.remove(StampKey(path));
        }
        const TFileStamp now = FileStampInView(path);
        if (stamp.Size < 0)
            stamp = now;
    }
    if (fd >= 0 && (playing || OnFuse(fd)))
        stamp.Head = HeadHash(fd);
    if (fd >= 0)
        ::close(fd);
    return stamp;
}

bool ReadFromServer(int fd, QByteArray &bytes, QString &error)
{
    int code = 0;
    if (ReadDirect(fd, -1, bytes, code))
        return true;
    error = platform::systemErrorText(code);
    return false;
}

bool ReadsBesideTheClient(int fd)
{
    return OnFuse(fd);
}

void SetStaleStampDelay(int milliseconds)
{
    SetDelay(&TFolderView::StampDelay, milliseconds);
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

// ---- the share's clock

namespace {

struct TShareClock
{
    std::mutex Lock;
    QElapsedTimer Steady;
    // Per folder: the share's time at a probe and this machine's steady time then.
    QHash<QString, std::pair<qint64, qint64>> Probes;
};

TShareClock &ShareClock()
{
    static TShareClock clock;
    return clock;
}

// Writes a probe file into the folder and reads the write time the share gave it.
qint64 ProbeShareTime(const QString &folder)
{
    // A temporary file's name: one left behind by a killed probe is cleared away.
    QString name;
    const int fd = platform::createTemporaryFor(QDir(folder).filePath(QStringLiteral("clock")), name);
    if (fd < 0)
        return 0;
    const QByteArray encoded = QFile::encodeName(name);
    // Written, not only made: the share sets the write time itself.
    const bool written = ::write(fd, "t", 1) == 1;
    ::close(fd);
    struct stat info;
    const bool stated = written && ::stat(encoded.constData(), &info) == 0;
    ::unlink(encoded.constData());
    return stated ? Nanoseconds(info.st_mtim) : 0;
}

} // namespace

qint64 ShareClockNow(const QString &folder)
{
    // A probe is written only every few seconds; in between this machine's steady clock
    // tells how much time has passed.
    constexpr qint64 ProbeEveryMs = 5000;
    TShareClock &clock = ShareClock();
    {
        std::lock_guard<std::mutex> guard(clock.Lock);
        if (!clock.Steady.isValid())
            clock.Steady.start();
        const auto probe = clock.Probes.constFind(folder);
        if (probe != clock.Probes.constEnd() && clock.Steady.elapsed() - probe->second < ProbeEveryMs)
            return probe->first + (clock.Steady.elapsed() - probe->second) * 1000000LL;
    }
    const qint64 shareTime = ProbeShareTime(folder);
    if (shareTime <= 0)
        return 0;
    std::lock_guard<std::mutex> guard(clock.Lock);
    clock.Probes.insert(folder, {shareTime, clock.Steady.elapsed()});
    return shareTime;
}

qint64 NewestWriteTime(const QStringList &paths)
{
    qint64 newest = 0;
    const auto take = [&newest](const QString &path) {
        struct stat info;
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            return false;
        newest = std::max(newest, Nanoseconds(info.st_mtim));
        return S_ISDIR(info.st_mode);
    };
    for (const QString &path : paths) {
        if (!take(path))
            continue;
        // A save writing into the folder shows there: its temporary files grow.
        const QStringList entries =
            QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &entry : entries)
            take(path + QLatin1Char('/') + entry);
    }
    return newest;
}

qint64 ShareAgeMs(const QString &folder, qint64 written)
{
    if (written <= 0)
        return -1;
    const qint64 now = ShareClockNow(folder);
    if (now <= 0)
        return -1;
    // A write time ahead of the share's clock was not set by that clock (a client that sets
    // times itself, a clock put back): it tells nothing.
    constexpr qint64 AheadNs = 2000LL * 1000000LL;
    if (written - now > AheadNs)
        return -1;
    return std::max<qint64>(0, (now - written) / 1000000LL);
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
        Seen(key, [&](TViewEntry &entry) { entry.Listing = ListNow(folder, mask, attributes); }, ListingDelayOf)
            .Listing;
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

// ---- folders several users share

namespace {

// Gives the entry `name` of the folder open as `parent`, just made by this user, the group's
// write bit; a link put in its place is not followed, and an entry that is not this user's
// own folder (one another member made there meanwhile) is left alone.
void ShareMadeFolder(int parent, const QByteArray &name)
{
    const int fd = ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    platform::shareWithFolderGroup(fd, parent);
    ::close(fd);
}

// The folder above `path` open for the *at calls, and the entry's name; -1 (errno set) when
// the folder cannot be opened.
int OpenParent(const QString &path, QByteArray &name)
{
    const QFileInfo info(QDir::cleanPath(path));
    name = QFile::encodeName(info.fileName());
    return ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Writes a small file into `folder` and syncs it, then removes it: what a write there meets
// now (a full disk, a used-up quota). 0 when it went through.
int ProbeWrite(const QString &folder)
{
    QString probe;
    const int fd = platform::createTemporaryFor(QDir(folder).filePath(QStringLiteral("write-probe")), probe);
    if (fd < 0)
        return errno == EEXIST ? 0 : errno;
    const QByteArray block(4096, 'p');
    int error = 0;
    if (::write(fd, block.constData(), size_t(block.size())) != block.size() || ::fsync(fd) != 0)
        error = errno != 0 ? errno : EIO;
    ::close(fd);
    ::unlink(QFile::encodeName(probe).constData());
    return error;
}

} // namespace

int MakeSharedFolderEntry(const QString &folder)
{
    QByteArray name;
    const int parent = OpenParent(folder, name);
    if (parent < 0)
        return errno;
    int result = 0;
    if (::mkdirat(parent, name.constData(), 0777) == 0)
        ShareMadeFolder(parent, name);
    else
        result = errno;
    ::close(parent);
    return result;
}

void InheritGroupWrite(const QString &folder)
{
    QByteArray name;
    const int parent = OpenParent(folder, name);
    if (parent < 0)
        return;
    ShareMadeFolder(parent, name);
    ::close(parent);
}

bool MakeSharedFolder(const QString &folder, QString *error)
{
    const QString clean = QDir::cleanPath(folder);
    QStringList missing;
    for (QString part = clean; !QFileInfo(part).isDir(); part = QFileInfo(part).absolutePath()) {
        if (QFileInfo(part).absolutePath() == part)
            break;
        missing.prepend(part);
    }
    for (const QString &part : std::as_const(missing)) {
        const int code = MakeSharedFolderEntry(part);
        if (code != 0 && code != EEXIST) {
            if (error) {
                QString where;
                const int found = FolderWriteError(part, &where);
                *error = found != 0 ? FileProblemText(found, where, fuWrite)
                                    : FileProblemText(code, QFileInfo(part).absolutePath(), fuWrite);
            }
            return false;
        }
    }
    if (QFileInfo(clean).isDir())
        return true;
    if (error)
        *error = FolderWriteProblem(clean);
    return false;
}

int FolderWriteError(const QString &folder, QString *where)
{
    QString part = QDir::cleanPath(folder);
    while (!QFileInfo::exists(part) && QFileInfo(part).absolutePath() != part)
        part = QFileInfo(part).absolutePath();
    if (where)
        *where = part;
    const QFileInfo blocker(part);
    if (blocker.exists() && !blocker.isDir())
        return ENOTDIR;
    const QByteArray path = QFile::encodeName(part);
    struct statvfs disk;
    const bool known = ::statvfs(path.constData(), &disk) == 0;
    if (known && (disk.f_flag & ST_RDONLY) != 0)
        return EROFS;
    if (::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) != 0) {
        if (errno == EROFS)
            return EROFS;
        if (errno == EACCES || errno == EPERM)
            return EACCES;
    }
    // Root may use the blocks kept back for it.
    if (known && (::geteuid() == 0 ? disk.f_bfree : disk.f_bavail) == 0)
        return ENOSPC;
    return blocker.isDir() ? ProbeWrite(part) : 0;
}

QString FolderWriteProblem(const QString &folder)
{
    QString where;
    const int code = FolderWriteError(folder, &where);
    return code == 0 ? QString() : FileProblemText(code, where, fuWrite);
}

QString FileProblemText(int code, const QString &where, TFileUse use)
{
    const QString path = QDir::toNativeSeparators(QDir::cleanPath(where));
    const QString user = platform::loginName();
    const QFileInfo entry(where);
    switch (code) {
    case 0:
        return QString();
    case ENOTDIR:
        return QStringLiteral("\"%1\" is a file, not a folder").arg(path);
    case EISDIR:
        return QStringLiteral("\"%1\" is a folder, not a file").arg(path);
    case EROFS:
        return QStringLiteral("the disk of the folder \"%1\" is read-only").arg(path);
    case ENOSPC:
        return QStringLiteral("the disk of the folder \"%1\" is full").arg(path);
    case EDQUOT:
        return QStringLiteral("the disk quota of the user %2 is used up in the folder \"%1\"").arg(path, user);
    case EFBIG:
        return QStringLiteral("the file is too large for the disk of the folder \"%1\"").arg(path);
    case EACCES:
    case EPERM:
        if (use == fuRead)
            return (entry.isDir() ? QStringLiteral("the folder \"%1\" is not readable for the user %2")
                                  : QStringLiteral("the file \"%1\" is not readable for the user %2"))
                .arg(path, user);
        return (entry.isFile() ? QStringLiteral("the file \"%1\" is not writable for the user %2")
                               : QStringLiteral("the folder \"%1\" is not writable for the user %2"))
            .arg(path, user);
    case ENOENT:
        return (use == fuRead ? QStringLiteral("the file \"%1\" does not exist")
                              : QStringLiteral("the folder \"%1\" does not exist"))
            .arg(path);
    case ENAMETOOLONG:
        return QStringLiteral("the name \"%1\" is too long").arg(path);
    case ELOOP:
        return QStringLiteral("the symbolic links of \"%1\" lead in a circle").arg(path);
    default:
        return QStringLiteral("\"%1\": %2").arg(path, platform::systemErrorText(code));
    }
}

int FileReadError(const QString &fileName, QString *where)
{
    if (where)
        *where = fileName;
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        // A folder on the way that may not be entered is what stands in the way then.
        if (error == EACCES && where) {
            QStringList folders;
            for (QString part = QFileInfo(fileName).absolutePath(); QFileInfo(part).absolutePath() != part;
                 part = QFileInfo(part).absolutePath())
                folders.prepend(part);
            for (const QString &folder : std::as_const(folders))
                if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), X_OK, AT_EACCESS) != 0) {
                    *where = folder;
                    break;
                }
        }
        return error;
    }
    struct stat info;
    const int error = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) ? EISDIR : 0;
    ::close(fd);
    return error;
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
