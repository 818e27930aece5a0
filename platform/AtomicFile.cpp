#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

void shareWithFolderGroup(int fd, const QString &folder)
{
    struct stat made;
    struct stat above;
    if (::fstat(fd, &made) != 0 || ::stat(encoded(folder).constData(), &above) != 0)
        return;
    // Only what this user made for the group that may write into the folder (a sticky folder
    // like /tmp lets nobody replace what others made): another group would gain what it
    // never had.
    if (made.st_uid != ::geteuid() || made.st_gid != above.st_gid || (above.st_mode & S_IWGRP) == 0
        || (above.st_mode & S_ISVTX) != 0 || (made.st_mode & S_IWGRP) != 0)
        return;
    ::fchmod(fd, (made.st_mode & 07777) | S_IWGRP);
}

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool isAtomicTemporaryName(const QString &name)
{
    // "." + target + "." + six characters + ".tmp"
    return name.startsWith(QLatin1Char('.')) && name.endsWith(QStringLiteral(".tmp")) && name.size() > 12
           && name.at(name.size() - 11) == QLatin1Char('.');
}

int createTemporaryFor(const QString &fileName, QString &temporary)
{
    const QFileInfo target(fileName);
    const QString prefix = target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.');
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString suffix =
            QString::number(QRandomGenerator::global()->bounded(quint32(2176782336u)), 36) // 36^6
                .rightJustified(6, QLatin1Char('0'));
        temporary = prefix + suffix + QStringLiteral(".tmp");
        const int fd = ::open(encoded(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

TAtomicFile::TAtomicFile(const QString &fileName)
    : FFileName(fileName)
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
    const QFileInfo target(FFileName);
    if (FFileName.isEmpty() || target.fileName().isEmpty())
        return Fail(QStringLiteral("no file name"));
    if (target.isDir())
        return Fail(QStringLiteral("a folder of that name exists"));
    QString temporary;
    const int fd = createTemporaryFor(FFileName, temporary);
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
    if (::stat(encoded(FFileName).constData(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    else
        shareWithFolderGroup(fd, QFileInfo(FFileName).absolutePath());
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
    const QByteArray to = encoded(FFileName);
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
    syncFolder(QFileInfo(FFileName).absolutePath());
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
