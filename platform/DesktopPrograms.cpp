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

#include <algorithm>

namespace platform {

namespace {

// The keys of the groups of a desktop entry or a mimeapps.list: group -> key -> value.
using TGroups = QHash<QString, QHash<QString, QString>>;

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TGroups ParseGroups(const QByteArray &text)
{
    TGroups groups;
    QString group;
    for (const QByteArray &raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
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

TGroups ReadGroups(const QString &path)
{
    return ParseGroups(ReadFile(path));
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

// The keys of one desktop entry.
QHash<QString, QString> EntryKeys(const QByteArray &text)
{
    return ParseGroups(text).value(QStringLiteral("Desktop Entry"));
}

// Whether a desktop entry can start its program here: not hidden (removed), its TryExec
// program installed, and meant for the desktop running (OnlyShowIn, NotShowIn).
bool Usable(const QHash<QString, QString> &entry)
{
    if (entry.value(QStringLiteral("Hidden")) == QLatin1String("true"))
        return false;
    const QString tryExec = entry.value(QStringLiteral("TryExec"));
    if (!tryExec.isEmpty()) {
        const QFileInfo program(tryExec);
        const bool found = program.isAbsolute() ? program.isFile() && program.isExecutable()
                                                : !QStandardPaths::findExecutable(tryExec).isEmpty();
        if (!found)
            return false;
    }
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const auto names = [&](const char *key) {
        for (const QString &desktop : Items(entry.value(QString::fromLatin1(key))))
            if (desktops.contains(desktop, Qt::CaseInsensitive))
                return true;
        return false;
    };
    if (entry.contains(QStringLiteral("OnlyShowIn")) && !names("OnlyShowIn"))
        return false;
    return !names("NotShowIn");
}

// Whether a desktop entry (its text) offers itself for one of the types.
bool Offers(const QByteArray &text, const QSet<QString> &types)
{
    const QHash<QString, QString> entry = EntryKeys(text);
    if (!Usable(entry))
        return false;
    for (const QString &type : Items(entry.value(QStringLiteral("MimeType"))))
        if (types.contains(type))
            return true;
    return false;
}

bool HasProgramFor(const QMimeType &mime)
{
    QSet<QString> types{mime.name()};
    for (const QString &alias : mime.aliases())
        types.insert(alias);

    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    const QHash<QString, QString> entries = DesktopEntries(folders);
    const auto shown = [&](const QString &id) {
        const QString path = entries.value(id);
        return !path.isEmpty() && Usable(EntryKeys(ReadFile(path)));
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
    // The index update-desktop-database keeps beside the entries saves reading them all; the
    // entry it names must still offer itself (a folder named before may hide or replace it).
    for (const QString &folder : folders) {
        const QHash<QString, QString> cache =
            ReadGroups(folder + QStringLiteral("/mimeinfo.cache")).value(QStringLiteral("MIME Cache"));
        for (const QString &type : types)
            for (const QString &id : Items(cache.value(type)))
                if (!removed.contains(id) && entries.contains(id) && Offers(ReadFile(entries.value(id)), types))
                    return true;
    }
    // An index may be missing or older than an entry: the entries themselves, each parsed only
    // when its text names one of the types.
    QList<QByteArray> names;
    for (const QString &type : types)
        names.append(type.toUtf8());
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (removed.contains(it.key()))
            continue;
        const QByteArray text = ReadFile(it.value());
        if (std::any_of(names.cbegin(), names.cend(), [&](const QByteArray &name) { return text.contains(name); })
            && Offers(text, types))
            return true;
    }
    return false;
}

// Inside a Flatpak or Snap sandbox the desktop's programs are out of sight: only the launcher
// (a portal) knows them.
bool Sandboxed()
{
    return QFileInfo::exists(QStringLiteral("/.flatpak-info")) || qEnvironmentVariableIsSet("SNAP");
}

} // namespace

bool desktopHasProgramFor(const QString &fileName)
{
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(fileName);
    return mime.isValid() && !mime.isDefault() && HasProgramFor(mime);
}

bool openWithDesktopProgram(const QString &fileName)
{
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(fileName);
    // Where the kind of file or the desktop's programs cannot be seen, the launcher decides.
    const bool known = mime.isValid() && !mime.isDefault() && !Sandboxed();
    if (known && !HasProgramFor(mime))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath()));
}

} // namespace platform
