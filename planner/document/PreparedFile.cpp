#include "document/PreparedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The rename itself must survive a crash, not only the file's bytes.
void SyncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

TPreparedFile::TPreparedFile(const QString &fileName)
    : FFileName(fileName)
{
}

TPreparedFile::~TPreparedFile() = default; // an uncommitted temporary file removes itself

bool TPreparedFile::Fail(const QString &message)
{
    FError = QStringLiteral("Cannot write \"%1\": %2").arg(FFileName, message);
    return false;
}

bool TPreparedFile::Prepare(const QByteArray &bytes)
{
    FTemp.reset();
    FError.clear();
    const QFileInfo target(FFileName);
    if (FFileName.isEmpty() || target.fileName().isEmpty())
        return Fail(QStringLiteral("no file name"));
    if (target.isDir())
        return Fail(QStringLiteral("a folder of that name exists"));
    const QString folder = target.absolutePath();
    if (!QDir().mkpath(folder))
        return Fail(QStringLiteral("the folder cannot be made"));

    auto temp = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/.") + target.fileName()
                                                 + QStringLiteral(".XXXXXX.tmp"));
    if (!temp->open())
        return Fail(temp->errorString());
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 put = temp->write(bytes.constData() + done, bytes.size() - done);
        if (put <= 0)
            return Fail(temp->errorString());
        done += put;
    }
    if (!temp->flush())
        return Fail(temp->errorString());
    if (::fsync(temp->handle()) != 0)
        return Fail(SystemError());
    // Other users of a shared folder read the document too: keep the old file's rights,
    // or the usual ones for a new file (the temporary file starts private).
    const QFileDevice::Permissions rights =
        target.exists() ? QFile::permissions(FFileName)
                        : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                              | QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    temp->setPermissions(rights);
    temp->close();
    FTemp = std::move(temp);
    return true;
}

bool TPreparedFile::Commit(const TTrashFunction &trash)
{
    if (!FTemp)
        return FError.isEmpty() ? Fail(QStringLiteral("nothing prepared")) : false;
    const QFileInfo target(FFileName);
    const QString folder = target.absolutePath();

    // The previous version stays reachable under a second name until the new one stands.
    std::unique_ptr<QTemporaryDir> hold;
    QString held;
    if (trash && target.isFile()) {
        hold = std::make_unique<QTemporaryDir>(folder + QStringLiteral("/.") + target.fileName()
                                               + QStringLiteral(".previous-XXXXXX"));
        if (hold->isValid()) {
            held = hold->path() + QLatin1Char('/') + target.fileName();
            if (::link(QFile::encodeName(FFileName).constData(), QFile::encodeName(held).constData()) != 0
                && !QFile::copy(FFileName, held))
                held.clear();
        }
    }

    if (::rename(QFile::encodeName(FTemp->fileName()).constData(),
                 QFile::encodeName(FFileName).constData()) != 0) {
        const QString message = SystemError();
        hold.reset();
        return Fail(message);
    }
    FTemp->setAutoRemove(false);
    FTemp.reset();
    SyncFolder(folder);

    if (!held.isEmpty())
        trash(held);
    hold.reset(); // removes whatever the recycle bin did not take
    return true;
}
