#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The program ini: "velmora.ini" beside the executable when one stands there (portable use),
// else "velmora.ini" in the user's config folder (QStandardPaths::AppConfigLocation).
QString programIniPath();
// The same for an executable in `executableFolder`.
QString programIniPath(const QString &executableFolder);

// The log file: "velmora.log" in QStandardPaths::AppLocalDataLocation.
QString logFilePath();

// The folders searched for language files, in order: "languages" beside the executable, then
// the installed share folder ("<prefix>/share/velmora/languages" and the system data folders).
// Only existing folders are listed.
QStringList languageFolders();
QStringList languageFolders(const QString &executableFolder);

// Makes sure the folder that will hold `filePath` exists; false when it cannot be made.
bool ensureParentFolder(const QString &filePath);

} // namespace platform
