#pragma once

// A process that must not touch the user's own settings: its config, data, runtime and cache
// folders inside `home`, a fixed locale, and no question to the web for a newer version.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

inline void UseIsolatedEnvironment(const QTemporaryDir &home)
{
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
        const QString dir = home.filePath(QString::fromLatin1(name).toLower());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv(name, dir.toLocal8Bit());
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // Main windows ask the web for a newer version only where a test says where.
    qputenv("VELMORA_UPDATE_URL", "");
}

} // namespace testsupport
