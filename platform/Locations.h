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

// A file the program brings or the user adds (a logo): the first of the user's config folder,
// the folder beside the executable and the installed share folder ("<prefix>/share/velmora",
// then the system data folders) that holds a file of that name; empty when none does.
QString findProgramFile(const QString &name);
QString findProgramFile(const QString &name, const QString &executableFolder);

// Makes sure the folder that will hold `filePath` exists; false when it cannot be made.
bool ensureParentFolder(const QString &filePath);

} // namespace platform
