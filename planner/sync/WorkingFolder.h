#pragma once

// File-system helpers of the shared working folder: file times and sizes, folder listing,
// touching presence files and moving files to the recycle bin. Safe to call from any thread.

#include <QDateTime>
#include <QString>

#include <functional>
#include <stdexcept>

#include "DateTime.h"

// A query the operating system refused (a missing file, an impossible time).
class EOSError : public std::runtime_error
{
public:
    explicit EOSError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

// The attribute bits a listing asks for and reports.
inline constexpr int faDirectory = 16;
inline constexpr int faAnyFileButDirectory = 495;

// One entry of a folder listing.
struct TSearchRec
{
    QString Name;          // without the folder
    qint64 Size = 0;
    int Attr = 0;          // faDirectory for folders, 0 otherwise
    QDateTime CreationTime;
    QDateTime LastWriteTime;
};

using TListFileCallBack = std::function<void(const TSearchRec &)>;

// A file time as a local date-time; raises EOSError for an invalid time.
TDateTime FileTimeToDateTime(const QDateTime &fileTime);
// The last-write time of a file (invalid when it does not exist).
QDateTime GetFileFileTime(const QString &name);
// The same as a number (milliseconds since 1970, UTC); 0 when the file does not exist. Only
// compared for equality.
qint64 GetFileTime(const QString &name);
// The size in bytes; raises EOSError when the file cannot be queried.
qint64 GetFileSize(const QString &name);

// Lists `folder` (ending in "/") by `mask` ("*.*" means every name, as "*"). Files go to the
// callback; folders, "." and ".." included, only when `attributes` has faDirectory. An
// exception of the callback is logged and the listing goes on; the result is then false.
bool ListFileOrDir(const QString &folder, const QString &mask, const TListFileCallBack &callback,
                   int attributes);
// Files only.
bool ListFiles(const QString &folder, const QString &mask, const TListFileCallBack &callback);
// Folders and files alike.
bool ListDirectories(const QString &folder, const QString &mask, const TListFileCallBack &callback);

// ---- what this instance sees of the shared folder
// Network shares cache file times, existence and folder listings for many seconds. With a
// delay set, GetFileTime, GetFileFileTime, FileExistsInView and the listings answer from what
// was seen at most that long ago; 0 (the default) asks the disk every time. Tests play a
// share with it.
void SetFolderViewDelay(int milliseconds);
int FolderViewDelay();
bool FileExistsInView(const QString &path);

// A generation folder's name is the decimal text of a number from 0 up and nothing else
// ("007" or "+7" are no generation).
bool ParseGenerationName(const QString &name, qint64 &number);

// Sets the file's write time to now, creating it empty when missing. Failures are logged.
void Touch(const QString &name);

// Moves a file or folder to the user's trash. On failure the entry stays where it was (or is
// put back) and `error` says why.
bool MoveToTrash(const QString &path, QString *error = nullptr);
