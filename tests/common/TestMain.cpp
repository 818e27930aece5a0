#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QTemporaryDir>

#include "IsolatedEnvironment.h"
#include "TestSupport.h"

// Every test executable runs offscreen (or, under the desktop-session runner, on its X display)
// with a fixed locale and its own config, data and runtime folders, so that no test reads or
// writes the user's real settings.
int main(int argc, char **argv)
{
    const QByteArray platform = qgetenv("VELMORA_TEST_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    testsupport::UseIsolatedEnvironment(home);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora-tests"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    testsupport::setTestRoot(home.path());

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
