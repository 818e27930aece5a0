#include "sync/WorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <exception>
#include <mutex>
#include <vector>

#include "Log.h"

namespace {

struct TViewEntry
{
    qint64 SeenAt = 0;
    QDateTime Time;
    bool Exists = false;
    std::vector<TSearchRec> Listing;
};

struct TFolderView
{
    std::mutex Lock;
    int Delay = 0;
    QElapsedTimer Clock;
    QHash<QString, TViewEntry> Entries;
};

TFolderView &View()
{
    static TFolderView view;
    return view;
}

// Runs `fetch` into a fresh entry unless one younger than the delay is there; returns a copy.
template<typename Fetch>
TViewEntry Seen(const QString &key, Fetch fetch)
{
    TFolderView &view = View();
    {
        std::lock_guard<std::mutex> guard(view.Lock);
        if (view.Delay <= 0) {
            TViewEntry entry;
            fetch(entry);
            return entry;
        }
        const auto found = view.Entries.constFind(key);
        if (found != view.Entries.constEnd() && view.Clock.elapsed() - found->SeenAt < view.Delay)
            return *found;
    }
    TViewEntry entry;
    fetch(entry);
    std::lock_guard<std::mutex> guard(view.Lock);
    entry.SeenAt = view.Clock.elapsed();
    view.Entries.insert(key, entry);
    return entry;
}

std::vector<TSearchRec> ListNow(const QString &folder, const QString &mask, int attributes)
{
    std::vector<TSearchRec> result;
    QDir dir(folder);
    if (!dir.exists())
        return result;
    // Windows masks: "*.*" matches names without a dot too.
    const QString pattern = mask == QStringLiteral("*.*") ? QStringLiteral("*") : mask;
    const QFileInfoList entries = dir.entryInfoList({pattern}, QDir::AllEntries | QDir::Hidden | QDir::System,
                                                    QDir::Name);
    for (const QFileInfo &entry : entries) {
        const bool isDir = entry.isDir();
        if (isDir && (attributes & faDirectory) == 0)
            continue;
        TSearchRec rec;
        rec.Name = entry.fileName();
        rec.Attr = isDir ? faDirectory : 0;
        rec.Size = isDir ? 0 : entry.size();
        rec.LastWriteTime = entry.lastModified();
        rec.CreationTime = entry.birthTime();
        if (!rec.CreationTime.isValid())
            rec.CreationTime = entry.metadataChangeTime();
        result.push_back(rec);
    }
    return result;
}

} // namespace

void SetFolderViewDelay(int milliseconds)
{
    TFolderView &view = View();
    std::lock_guard<std::mutex> guard(view.Lock);
    view.Delay = std::max(0, milliseconds);
    view.Entries.clear();
    if (!view.Clock.isValid())
        view.Clock.start();
}

int FolderViewDelay()
{
    TFolderView &view = View();
    std::lock_guard<std::mutex> guard(view.Lock);
    return view.Delay;
}

bool FileExistsInView(const QString &path)
{
    return Seen(QStringLiteral("e\n") + path, [&](TViewEntry &entry) { entry.Exists = QFileInfo::exists(path); })
        .Exists;
}

bool ParseGenerationName(const QString &name, qint64 &number)
{
    if (name.isEmpty() || name.size() > 18)
        return false;
    for (const QChar c : name)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    if (name.size() > 1 && name.at(0) == QLatin1Char('0'))
        return false;
    bool ok = false;
    number = name.toLongLong(&ok, 10);
    return ok;
}

TDateTime FileTimeToDateTime(const QDateTime &fileTime)
{
    if (!fileTime.isValid())
        throw EOSError(QStringLiteral("Invalid file time"));
    return QDateTimeToDateTime(fileTime.toLocalTime());
}

QDateTime GetFileFileTime(const QString &name)
{
    return Seen(QStringLiteral("t\n") + name, [&](TViewEntry &entry) {
               const QFileInfo info(name);
               entry.Time = info.exists() ? info.lastModified() : QDateTime();
           })
        .Time;
}

qint64 GetFileTime(const QString &name)
{
    const QDateTime time = GetFileFileTime(name);
    return time.isValid() ? time.toMSecsSinceEpoch() : 0;
}

qint64 GetFileSize(const QString &name)
{
    const QFileInfo info(name);
    if (!info.exists())
        throw EOSError(QStringLiteral("Cannot query \"%1\": the file does not exist").arg(name));
    return info.size();
}

bool ListFileOrDir(const QString &folder, const QString &mask, const TListFileCallBack &callback,
                   int attributes)
{
    const QString key = QStringLiteral("l\n%1\n%2\n%3").arg(folder, mask, QString::number(attributes));
    const std::vector<TSearchRec> entries =
        Seen(key, [&](TViewEntry &entry) { entry.Listing = ListNow(folder, mask, attributes); }).Listing;
    bool result = true;
    for (const TSearchRec &rec : entries) {
        try {
            callback(rec);
        } catch (const std::exception &e) {
            Log(QString::fromLocal8Bit(e.what()));
            result = false;
        } catch (...) {
            Log(QStringLiteral("Unknown error while listing ") + folder);
            result = false;
        }
    }
    return result;
}

bool ListFiles(const QString &folder, const QString &mask, const TListFileCallBack &callback)
{
    return ListFileOrDir(folder, mask, callback, faAnyFileButDirectory);
}

bool ListDirectories(const QString &folder, const QString &mask, const TListFileCallBack &callback)
{
    return ListFileOrDir(folder, mask, callback, faDirectory);
}

void Touch(const QString &name)
{
    try {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            throw EOSError(QStringLiteral("Cannot touch \"%1\": %2").arg(name, file.errorString()));
        if (!file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime))
            throw EOSError(QStringLiteral("Cannot touch \"%1\": %2").arg(name, file.errorString()));
    } catch (const std::exception &e) {
        Log(QString::fromLocal8Bit(e.what()));
    }
}

namespace {

bool renameEntry(const QString &from, const QString &to)
{
    return QFileInfo(from).isDir() ? QDir().rename(from, to) : QFile::rename(from, to);
}

} // namespace

bool MoveToTrash(const QString &path, QString *error)
{
    const auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return fail(QStringLiteral("\"%1\" does not exist").arg(path));
    // Qt gives up on a home trash that has never been used.
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                          + QStringLiteral("/Trash");
    for (const QString &sub : {QStringLiteral("/files"), QStringLiteral("/info")}) {
        // Qt falls back to the current folder when the home trash is unusable: never let it.
        const QString folder = trash + sub;
        QDir().mkpath(folder);
        const QFileInfo folderInfo(folder);
        if (!folderInfo.isDir() || !folderInfo.isWritable())
            return fail(QStringLiteral("Cannot move \"%1\" to the trash: no trash folder").arg(path));
    }

    const QString absolute = info.absoluteFilePath();
    QString inTrash;
    if (!QFile::moveToTrash(absolute, &inTrash))
        return fail(QStringLiteral("Cannot move \"%1\" to the trash").arg(path));
    if (QDir::isAbsolutePath(inTrash))
        return true;
    // Some Qt versions report a relative path after moving the entry into the current
    // folder: that is no trash, so it goes back where it was.
    const QString misplaced = QFileInfo(inTrash).absoluteFilePath();
    if (!inTrash.isEmpty() && QFileInfo::exists(misplaced) && !QFileInfo::exists(absolute))
        renameEntry(misplaced, absolute);
    if (!inTrash.isEmpty()) {
        const QFileInfo entry(misplaced);
        QFile::remove(entry.dir().filePath(QStringLiteral("../info/") + entry.fileName()
                                           + QStringLiteral(".trashinfo")));
    }
    return fail(QStringLiteral("Cannot move \"%1\" to the trash: no trash folder").arg(path));
}
