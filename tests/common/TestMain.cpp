#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

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
    // Temporary folders of this program and of the test programs it starts (some killed on
    // purpose) lie inside its own folder, which goes when it ends: nothing is left behind. Like
    // /tmp, anyone may make a folder there (a driver running as another user).
    const QString temporary = home.filePath(QStringLiteral("tmp"));
    QDir().mkpath(temporary);
    QFile::setPermissions(home.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                           | QFileDevice::ExeGroup | QFileDevice::ExeOther);
    ::chmod(QFile::encodeName(temporary).constData(), 01777);
    qputenv("TMPDIR", QFile::encodeName(temporary));

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora-tests"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    testsupport::setTestRoot(home.path());

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
