// The synchronisation driver (tests/planner/sync/SyncDriver.h) as a program of its own, so that
// the benchmarks drive real instances in a build without the tests. It runs as the test
// executable runs its drivers: offscreen, in the test locale, with settings folders of its own.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include "../tests/planner/sync/SyncDriver.h"

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
        const QString dir = home.filePath(QString::fromLatin1(name).toLower());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv(name, dir.toLocal8Bit());
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    qputenv("VELMORA_UPDATE_URL", "");
    QApplication app(argc, argv);
    const QString host = qEnvironmentVariable(TSyncDriverProcess::HostVariable());
    if (host.isEmpty())
        return 2;
    return RunSyncDriver(host);
}
