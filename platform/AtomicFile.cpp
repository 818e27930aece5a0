#include "AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SystemInfo.h"

namespace platform {

namespace {

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// The rename itself must survive a crash, not only the file's bytes.
void syncFolder(const QString &folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

std::mutex &faultLock()
{
    static std::mutex lock;
    return lock;
}

std::function<int(const QString &)> &writeFault()
{
    static std::function<int(const QString &)> fault;
    return fault;
}

int injectedFault(const QString &fileName)
{
    std::lock_guard<std::mutex> guard(faultLock());
    return writeFault() ? writeFault()(fileName) : 0;
}

} // namespace

void setWriteFault(std::function<int(const QString &fileName)> fault)
{
    std::lock_guard<std::mutex> guard(faultLock());
    writeFault() = std::move(fault);
}

void shareWithFolderGroup(int fd, int folderFd)
{
    struct stat made;
    struct stat above;
    if (::fstat(fd, &made) != 0 || ::fstat(folderFd, &above) != 0)
        return;
    // Only what this user made for the group that may write into the folder (a sticky folder
    // like /tmp lets nobody replace what others made): another group would gain what it
    // never had.
    if (made.st_uid != ::geteuid() || made.st_gid != above.st_gid || (above.st_mode & S_IWGRP) == 0
        || (above.st_mode & S_ISVTX) != 0 || (made.st_mode & S_IWGRP) != 0)
        return;
    // A group that may not read (or enter) what it could write shares nothing by it; the
    // user's private umask stands.
    const mode_t needed = S_ISDIR(made.st_mode) ? (S_IRGRP | S_IXGRP) : S_IRGRP;
    if ((made.st_mode & needed) != needed)
        return;
    ::fchmod(fd, (made.st_mode & 07777) | S_IWGRP);
}

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString resolvedFilePath(const QString &path)
{
    if (path.isEmpty())
        return path;
    QString current = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path;
    // The kernel's own limit of links followed in one lookup.
    for (int hop = 0; hop <= 40; ++hop) {
        const qsizetype slash = current.lastIndexOf(QLatin1Char('/'));
        QString folder = current.left(slash);
        const QString name = current.mid(slash + 1);
        if (char *real = ::realpath(encoded(folder.isEmpty() ? QStringLiteral("/") : folder).constData(), nullptr)) {
            folder = QFile::decodeName(real);
            std::free(real);
        } else {
            folder = QDir::cleanPath(folder.isEmpty() ? QStringLiteral("/") : folder);
        }
        if (folder.endsWith(QLatin1Char('/')))
            folder.chop(1);
        current = folder + QLatin1Char('/') + name;
        if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
            return QDir::cleanPath(current);
        char target[PATH_MAX];
        const ssize_t length = ::readlink(encoded(current).constData(), target, sizeof target);
        if (length <= 0 || length >= ssize_t(sizeof target))
            return current;
        const QString next = QFile::decodeName(QByteArray(target, qsizetype(length)));
        current = next.startsWith(QLatin1Char('/')) ? next : folder + QLatin1Char('/') + next;
    }
    return current;
}

namespace {

// The host a temporary name gives: the short host name without what a name cannot hold.
const QString &temporaryHost()
{
    static const QString host = [] {
        // Short enough that a long document name still leaves room in the name.
        QString name = shortHostName().left(24);
        for (QChar &c : name)
            if (c == QLatin1Char('/') || c == QLatin1Char('@') || c == QLatin1Char('.'))
                c = QLatin1Char('_');
        return name;
    }();
    return host;
}

struct TTemporaryName
{
    bool Valid = false;
    qint64 Pid = -1; // -1: a name of the older form, without its writer
    QString Host;
};

// "." + target + "." + six characters [+ "." + pid + "@" + host] + ".tmp"
TTemporaryName parseTemporaryName(const QString &name)
{
    TTemporaryName parsed;
    if (!name.startsWith(QLatin1Char('.')) || !name.endsWith(QStringLiteral(".tmp")))
        return parsed;
    const QString rest = name.chopped(4);
    const auto sixBefore = [](const QString &text) { return text.size() > 8 && text.at(text.size() - 7) == QLatin1Char('.'); };
    const qsizetype at = rest.lastIndexOf(QLatin1Char('@'));
    const qsizetype dot = at > 0 ? rest.lastIndexOf(QLatin1Char('.'), at) : -1;
    if (dot > 0) {
        bool ok = false;
        const qint64 pid = rest.mid(dot + 1, at - dot - 1).toLongLong(&ok, 10);
        const QString host = rest.mid(at + 1);
        if (ok && pid > 0 && !host.isEmpty() && !host.contains(QLatin1Char('.')) && sixBefore(rest.left(dot))) {
            parsed.Valid = true;
            parsed.Pid = pid;
            parsed.Host = host;
            return parsed;
        }
    }
    parsed.Valid = sixBefore(rest);
    return parsed;
}

} // namespace

bool isAtomicTemporaryName(const QString &name)
{
    return parseTemporaryName(name).Valid;
}

bool isStaleTemporary(const QString &path)
{
    const TTemporaryName name = parseTemporaryName(QFileInfo(path).fileName());
    struct stat info;
    if (!name.Valid || ::lstat(encoded(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)
        || info.st_uid != ::geteuid())
        return false;
    if (name.Pid < 0) {
        // Nothing tells whether its writer lives: a minute is longer than any write takes.
        return QDateTime::fromSecsSinceEpoch(info.st_mtim.tv_sec).secsTo(QDateTime::currentDateTime()) > 60;
    }
    // Another machine's process cannot be asked, and this one's own writes are under way.
    if (name.Host != temporaryHost() || name.Pid == qint64(::getpid()))
        return false;
    return ::kill(pid_t(name.Pid), 0) != 0 && errno == ESRCH;
}

int removeStaleTemporaries(const QString &folder)
{
    int removed = 0;
    const QStringList names = QDir(folder).entryList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QString path = QDir(folder).filePath(name);
        if (isStaleTemporary(path) && ::unlink(encoded(path).constData()) == 0)
            ++removed;
    }
    return removed;
}

int createTemporaryFor(const QString &fileName, QString &temporary)
{
    const QFileInfo target(fileName);
    // The writer is named, so that what a killed write left can be told from a live one.
    const QString prefix = target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.');
    const QString writer = QLatin1Char('.') + QString::number(qint64(::getpid())) + QLatin1Char('@')
                           + temporaryHost() + QStringLiteral(".tmp");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString suffix =
            QString::number(QRandomGenerator::global()->bounded(quint32(2176782336u)), 36) // 36^6
                .rightJustified(6, QLatin1Char('0'));
        temporary = prefix + suffix + writer;
        const int fd = ::open(encoded(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

TAtomicFile::TAtomicFile(const QString &fileName)
    : FFileName(fileName), FTarget(resolvedFilePath(fileName))
{
}

TAtomicFile::~TAtomicFile()
{
    Discard();
}

void TAtomicFile::Discard()
{
    if (!FTemporary.isEmpty())
        ::unlink(encoded(FTemporary).constData());
    FTemporary.clear();
}

bool TAtomicFile::Fail(const QString &reason, int code)
{
    FError = QStringLiteral("Cannot write \"%1\": %2").arg(FFileName, reason);
    FErrorCode = code;
    return false;
}

bool TAtomicFile::FailWith(int error)
{
    return Fail(systemErrorText(error), error);
}

bool TAtomicFile::Prepare(const QByteArray &bytes)
{
    Discard();
    FError.clear();
    FErrorCode = 0;
    const QFileInfo target(FTarget);
    if (FFileName.isEmpty() || QFileInfo(FFileName).fileName().isEmpty())
        return Fail(QStringLiteral("no file name"));
    if (target.isDir())
        return Fail(QStringLiteral("a folder of that name exists"));
    // A loop of links names no file at all.
    struct stat link;
    if (::lstat(encoded(FTarget).constData(), &link) == 0 && S_ISLNK(link.st_mode))
        return FailWith(ELOOP);
    QString temporary;
    const int fd = createTemporaryFor(FTarget, temporary);
    if (fd < 0) {
        const int error = errno;
        return error == EEXIST ? Fail(QStringLiteral("no free temporary name")) : FailWith(error);
    }
    FTemporary = temporary;

    // The number is taken before closing and removing can change it.
    const auto failAndDiscard = [&](int error) {
        Discard();
        return FailWith(error);
    };
    const auto failAndClose = [&](int error) {
        ::close(fd);
        return failAndDiscard(error);
    };
    if (const int fault = injectedFault(FFileName))
        return failAndClose(fault);
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(fd, data, size_t(std::min<qint64>(left, 1 << 20)));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return failAndClose(errno);
        }
        if (put == 0)
            return failAndClose(EIO);
        data += put;
        left -= put;
    }
    // The data reaches the disk here; a full disk or an I/O error may only show now.
    if (::fsync(fd) != 0)
        return failAndClose(errno);
    // Other users of a shared folder read the file too: keep the old file's rights.
    struct stat old;
    if (::stat(encoded(FTarget).constData(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const int folder = ::open(encoded(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            shareWithFolderGroup(fd, folder);
            ::close(folder);
        }
    }
    if (::close(fd) != 0)
        return failAndDiscard(errno);
    return true;
}

bool TAtomicFile::Commit(bool overwrite)
{
    FExists = false;
    if (FTemporary.isEmpty())
        return FError.isEmpty() ? Fail(QStringLiteral("nothing prepared")) : false;
    const QByteArray from = encoded(FTemporary);
    // Through a link: the file it names is replaced, the link stays.
    const QByteArray to = encoded(FTarget);
    if (overwrite) {
        if (::rename(from.constData(), to.constData()) != 0)
            return FailWith(errno);
    } else {
        // A second name that fails when the target exists: never replaces anything.
        if (::link(from.constData(), to.constData()) != 0) {
            const int error = errno;
            FExists = error == EEXIST;
            return FailWith(error);
        }
        ::unlink(from.constData());
    }
    FTemporary.clear();
    syncFolder(QFileInfo(FTarget).absolutePath());
    return true;
}

bool writeFileAtomically(const QString &fileName, const QByteArray &bytes, QString *error)
{
    TAtomicFile file(fileName);
    if (file.Prepare(bytes) && file.Commit())
        return true;
    if (error)
        *error = file.ErrorString();
    return false;
}

} // namespace platform
