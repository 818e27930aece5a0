#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace testsupport {

namespace {
QString &root()
{
    static QString value;
    return value;
}
} // namespace

QString testRoot() { return root(); }
void setTestRoot(const QString &path) { root() = path; }

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(data) == data.size();
}

QString dataFile(const QString &name)
{
    return QStringLiteral(VELMORA_TEST_DATA_DIR "/") + name;
}

TSmallFileSystem::TSmallFileSystem(qint64 bytes)
{
    if (::geteuid() != 0) {
        FWhy = QStringLiteral("needs root to mount a small file system");
        return;
    }
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/velmora-full-XXXXXX"));
    dir.setAutoRemove(false);
    if (!dir.isValid()) {
        FWhy = QStringLiteral("no temporary folder");
        return;
    }
    FPath = dir.path();
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(FPath).constData(), "tmpfs", 0, options.constData()) != 0) {
        FWhy = QStringLiteral("cannot mount tmpfs: ") + QString::fromLocal8Bit(std::strerror(errno));
        QDir().rmdir(FPath);
        return;
    }
    FMounted = true;
}

TSmallFileSystem::~TSmallFileSystem()
{
    if (FMounted)
        ::umount2(QFile::encodeName(FPath).constData(), MNT_DETACH);
    if (!FPath.isEmpty())
        QDir().rmdir(FPath);
}

qint64 TSmallFileSystem::Free() const
{
    struct statvfs info;
    if (!FMounted || ::statvfs(QFile::encodeName(FPath).constData(), &info) != 0)
        return 0;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

bool TSmallFileSystem::FillUp(qint64 leave)
{
    QFile filler(FPath + QStringLiteral("/.filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray block(4096, 'x');
    while (Free() > leave) {
        const qint64 want = std::min<qint64>(block.size(), Free() - leave);
        if (filler.write(block.constData(), want) != want || !filler.flush())
            break;
    }
    filler.close();
    return Free() <= leave + 4096;
}

void TSmallFileSystem::Release()
{
    QFile::remove(FPath + QStringLiteral("/.filler"));
}

TIsolatedDesktop::TIsolatedDesktop(const QString &root)
    : FRoot(root)
{
    // MIME types are read from the data folders too: the system's are linked in.
    const QString mime = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("mime"),
                                                QStandardPaths::LocateDirectory);
    QDir().mkpath(FRoot + QStringLiteral("/data"));
    if (!mime.isEmpty())
        QFile::link(mime, FRoot + QStringLiteral("/data/mime"));
    const std::pair<const char *, const char *> folders[] = {
        {"XDG_DATA_HOME", "/home"}, {"XDG_DATA_DIRS", "/data"}, {"XDG_CONFIG_HOME", "/config"}, {"XDG_CONFIG_DIRS", "/etc"}};
    for (const auto &[name, folder] : folders) {
        FSaved.append({name, qgetenv(name)});
        qputenv(name, (FRoot + QString::fromLatin1(folder)).toLocal8Bit());
    }
}

TIsolatedDesktop::~TIsolatedDesktop()
{
    for (const auto &[name, value] : FSaved)
        qputenv(name.constData(), value);
}

bool TSmallFileSystem::SetReadOnly(bool readOnly)
{
    return FMounted
           && ::mount("tmpfs", QFile::encodeName(FPath).constData(), "tmpfs",
                      static_cast<unsigned long>(MS_REMOUNT) | (readOnly ? static_cast<unsigned long>(MS_RDONLY) : 0UL), nullptr)
                  == 0;
}

} // namespace testsupport
