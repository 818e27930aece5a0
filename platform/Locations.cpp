#include "Locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {

const QString kIniName = QStringLiteral("velmora.ini");
const QString kLogName = QStringLiteral("velmora.log");
const QString kLanguages = QStringLiteral("languages");

QString executableFolder()
{
    // Before the application object exists there is no executable path to ask for.
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

} // namespace

QString programIniPath() { return programIniPath(executableFolder()); }

QString programIniPath(const QString &executableFolder)
{
    const QString &beside = executableFolder;
    if (!beside.isEmpty()) {
        const QString portable = QDir(beside).filePath(kIniName);
        if (QFileInfo(portable).isFile())
            return portable;
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath(kIniName);
}

QString logFilePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).filePath(kLogName);
}

QStringList languageFolders() { return languageFolders(executableFolder()); }

QStringList languageFolders(const QString &executableFolder)
{
    QStringList candidates;
    const QString &beside = executableFolder;
    if (!beside.isEmpty()) {
        candidates << QDir(beside).filePath(kLanguages);
        // An installed binary lives in <prefix>/bin; its share folder is <prefix>/share/velmora.
        candidates << QDir(beside).filePath(QStringLiteral("../share/velmora/") + kLanguages);
    }
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        candidates << QDir(data).filePath(QStringLiteral("velmora/") + kLanguages);

    QStringList result;
    for (const QString &candidate : candidates) {
        const QString clean = QDir::cleanPath(candidate);
        if (QFileInfo(clean).isDir() && !result.contains(clean))
            result << clean;
    }
    return result;
}

QString findProgramFile(const QString &name) { return findProgramFile(name, executableFolder()); }

QString findProgramFile(const QString &name, const QString &executableFolder)
{
    QStringList folders{QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)};
    if (!executableFolder.isEmpty()) {
        folders << executableFolder;
        folders << QDir(executableFolder).filePath(QStringLiteral("../share/velmora"));
    }
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << QDir(data).filePath(QStringLiteral("velmora"));
    for (const QString &folder : folders) {
        const QString candidate = QDir::cleanPath(QDir(folder).filePath(name));
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}

bool ensureParentFolder(const QString &filePath)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    return QDir().mkpath(folder);
}

} // namespace platform
