#include "DesktopPrograms.h"

#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>

namespace platform {

namespace {

// The keys of the groups of a desktop entry or a mimeapps.list: group -> key -> value.
using TGroups = QHash<QString, QHash<QString, QString>>;

TGroups ReadGroups(const QString &path)
{
    TGroups groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return groups;
    QString group;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            groups[group].insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return groups;
}

QStringList Items(const QString &value)
{
    QStringList items;
    for (const QString &item : value.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!item.trimmed().isEmpty())
            items.append(item.trimmed());
    return items;
}

// The desktop entries by their ids (the path below an applications folder, '/' as '-'); the
// folder named first wins.
QHash<QString, QString> DesktopEntries(const QStringList &folders)
{
    QHash<QString, QString> entries;
    for (const QString &folder : folders) {
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = QDir(folder).relativeFilePath(path);
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (!entries.contains(id))
                entries.insert(id, path);
        }
    }
    return entries;
}

// The mimeapps.list files, the one that decides first.
QStringList MimeAppsLists(const QStringList &applicationFolders)
{
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(QLatin1Char(':'), Qt::SkipEmptyParts);
    QStringList lists;
    const auto add = [&](const QStringList &folders) {
        for (const QString &folder : folders) {
            for (const QString &desktop : desktops)
                lists.append(folder + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list"));
            lists.append(folder + QStringLiteral("/mimeapps.list"));
        }
    };
    add(QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation));
    add(applicationFolders);
    return lists;
}

} // namespace

bool desktopHasProgramFor(const QString &fileName)
{
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(fileName);
    if (!mime.isValid() || mime.isDefault())
        return false;
    QSet<QString> types{mime.name()};
    for (const QString &alias : mime.aliases())
        types.insert(alias);

    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    const QHash<QString, QString> entries = DesktopEntries(folders);
    const auto shown = [&](const QString &id) {
        const QString path = entries.value(id);
        return !path.isEmpty()
               && ReadGroups(path).value(QStringLiteral("Desktop Entry")).value(QStringLiteral("Hidden"))
                      != QLatin1String("true");
    };

    // Associations the user made or removed decide before what the entries say of themselves.
    QSet<QString> removed;
    for (const QString &list : MimeAppsLists(folders)) {
        const TGroups groups = ReadGroups(list);
        for (const QString &type : types) {
            for (const char *group : {"Default Applications", "Added Associations"})
                for (const QString &id : Items(groups.value(QString::fromLatin1(group)).value(type)))
                    if (!removed.contains(id) && shown(id))
                        return true;
            for (const QString &id : Items(groups.value(QStringLiteral("Removed Associations")).value(type)))
                removed.insert(id);
        }
    }
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (removed.contains(it.key()))
            continue;
        const QHash<QString, QString> entry = ReadGroups(it.value()).value(QStringLiteral("Desktop Entry"));
        if (entry.value(QStringLiteral("Hidden")) == QLatin1String("true"))
            continue;
        for (const QString &type : Items(entry.value(QStringLiteral("MimeType"))))
            if (types.contains(type))
                return true;
    }
    return false;
}

bool openWithDesktopProgram(const QString &fileName)
{
    if (!desktopHasProgramFor(fileName))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath()));
}

} // namespace platform
