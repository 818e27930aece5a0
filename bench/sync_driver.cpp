// The synchronisation driver (tests/planner/sync/SyncDriver.h) as a program of its own, so that
// the benchmarks drive real instances in a build without the tests. It runs as the test
// executable runs its drivers: offscreen, in the test locale, with settings folders of its own.

#include <QApplication>
#include <QTemporaryDir>

#include "common/IsolatedEnvironment.h"
#include "planner/sync/SyncDriver.h"

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    testsupport::UseIsolatedEnvironment(home);
    QApplication app(argc, argv);
    const QString host = qEnvironmentVariable(TSyncDriverProcess::HostVariable());
    if (host.isEmpty())
        return 2;
    return RunSyncDriver(host);
}
