#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

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
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
        const QString dir = home.filePath(QString::fromLatin1(name).toLower());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv(name, dir.toLocal8Bit());
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // Main windows ask the web for a newer version only where a test says where.
    qputenv("VELMORA_UPDATE_URL", "");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora-tests"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    testsupport::setTestRoot(home.path());

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
