#pragma once

// File-system helpers of the shared working folder: file times and sizes, folder listing,
// touching presence files and moving files to the recycle bin. Safe to call from any thread.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>
#include <vector>

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

// What tells one version of a file from another. A rewrite may keep the size (a compressed
// diff file with one more event can), but not also the write and change times to the
// nanosecond and the inode: a file replaced by renaming is a new inode.
struct TFileStamp
{
    qint64 Size = -1; // -1: no such file
    qint64 Modified = 0; // nanoseconds since 1970
    qint64 Changed = 0;  // the inode's change time, the same way
    quint64 Device = 0;
    quint64 Inode = 0;
    // On a share whose client caches what it shows (see FreshFileStamp): the first bytes as
    // the file server has them, hashed (with their number); 0 elsewhere. When both stamps
    // have them, they alone tell the versions apart: the rest may be the client's stale view.
    quint64 Head = 0;

    bool operator==(const TFileStamp &other) const
    {
        if (Head != 0 && other.Head != 0)
            return Head == other.Head;
        return Size == other.Size && Modified == other.Modified && Changed == other.Changed
               && Device == other.Device && Inode == other.Inode;
    }
};
// The stamp of the file at path, as this instance sees it (see SetFolderViewDelay).
TFileStamp FileStampInView(const QString &path);
// The same taken right after opening the file. Some shares (sshfs with its default caching)
// answer stat() from an attribute cache for up to 20 s unless the file is opened, and even then
// the opening refreshes only what the next look a second later sees: the size and the pages
// the client keeps stay those of the version before. On such a share (a FUSE file system) the
// stamp also holds the file's first bytes as read from the file server itself, which change
// with every rewrite of a diff file (its index comes first).
TFileStamp FreshFileStamp(const QString &path);
// Reads a whole open file as the file server has it: past a FUSE client's cached size and
// pages (see FreshFileStamp), elsewhere as usual. False with the system's reason in `error`.
bool ReadFromServer(int fd, QByteArray &bytes, QString &error);
// Whether an open file lies on such a share.
bool ReadsBesideTheClient(int fd);
// The stamp of an open file: exactly the version being read.
TFileStamp FileStampOf(int fileDescriptor);

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
// delay set, GetFileTime, GetFileFileTime, FileExistsInView, FolderExistsInView,
// FileStampInView and the listings answer from what was seen at most that long ago; 0 (the
// default) asks the disk every time. Tests play a share with it.
void SetFolderViewDelay(int milliseconds);
// Some shares answer for a name at once but list a new entry many seconds late (sshfs with
// its default caching: 17-20 s). With a listing delay set, the listings alone answer from
// what was seen at most that long ago (or the view delay, when longer).
void SetFolderListingDelay(int milliseconds);
// Plays such a share's attribute cache: with a delay set, FileStampInView answers from what
// it saw at most that long ago, unless FreshFileStamp opened the file since, which the look
// after it sees (the opening look itself still sees what the previous one brought), and the
// stamps hold the first bytes as FreshFileStamp reads them on such a share. 0 (the default)
// turns it off.
void SetStaleStampDelay(int milliseconds);
bool FileExistsInView(const QString &path);
bool FolderExistsInView(const QString &path);

// The generation folders of `documentFolder` (ending in "/") above `known`, found by asking
// for each next number by name, so that a folder the listing does not show yet counts too;
// the search ends at two numbers in a row that are no folder. Ascending.
std::vector<qint64> ProbeGenerations(const QString &documentFolder, qint64 known);

// ---- the share's clock
// Another machine's file times are set by the share's clock, which may be far from ours. Its
// present time (nanoseconds since 1970) is read from the write time of a small probe file
// written into `folder` (and removed again), then followed by this machine's steady clock for
// a few seconds; 0 when no probe can be written there.
qint64 ShareClockNow(const QString &folder);
// The newest write time (nanoseconds since 1970) of the given files and folders and of the
// entries of those folders, hidden ones too; 0 when none of them exists.
qint64 NewestWriteTime(const QStringList &paths);
// How long ago by the share's clock, in milliseconds, a write at `written` (nanoseconds since
// 1970, as NewestWriteTime gives it) took place in `folder`; -1 when that cannot be told
// (no probe can be written there, or the time lies ahead of the share's clock).
qint64 ShareAgeMs(const QString &folder, qint64 written);

// How many folder listings went to the disk so far; tests measure the idle work with it.
quint64 FolderListingsMade();

// A generation folder's name is the decimal text of a number from 0 up and nothing else
// ("007" or "+7" are no generation).
bool ParseGenerationName(const QString &name, qint64 &number);

// ---- folders several users share
// Makes `folder` with every missing parent. A folder made here takes the group write bit of the
// folder it is made in, which the user's umask would drop: a group's shared folder (usually
// setgid, so that the group passes down too) stays writable for every member. False when the
// folder cannot be made; `error` (when given) then says why, as FolderWriteProblem does.
bool MakeSharedFolder(const QString &folder, QString *error = nullptr);
// Makes the one folder `folder` (its parent must exist) as MakeSharedFolder does: 0 when it
// was made here, else the system's error number (EEXIST: something of that name is there).
// The bit goes to the folder made, never through a link or to an entry someone else put in
// its place meanwhile.
int MakeSharedFolderEntry(const QString &folder);
// Gives a folder made by this user the group write bit of its parent folder, for that
// folder's group alone (see platform::shareWithFolderGroup). A symbolic link in its place is
// not followed.
void InheritGroupWrite(const QString &folder);
// What keeps this user from writing into `folder` (or, when it does not exist, into the nearest
// folder above it that does): EROFS for a read-only disk, EACCES for no write permission,
// ENOTDIR for a file standing where a folder belongs, ENOSPC for a full disk, EDQUOT for a
// used-up quota (and whatever else a small probe file written there meets); 0 when nothing
// stands in the way. `where` (when given) gets the folder or file found in the way.
int FolderWriteError(const QString &folder, QString *where = nullptr);
// The same worded for the user; empty when nothing stands in the way.
QString FolderWriteProblem(const QString &folder);

// What a failed use of a file or folder comes down to, worded for the user as a clause
// ("the disk of the folder "/p" is full"): the one wording of a system's error number for
// every road that reads or writes documents, the shared folder and its locks. `where` is the
// file or folder the failure met (for a write: the folder it went into, or the entry in the
// way); `use` whether it was read or written.
enum TFileUse { fuRead, fuWrite };
QString FileProblemText(int code, const QString &where, TFileUse use);
// Why `fileName` cannot be read: 0 when it can be opened for reading, else the system's error
// number (EISDIR for a folder). `where` (when given) gets the file, or the folder on its way
// that may not be entered.
int FileReadError(const QString &fileName, QString *where = nullptr);

// Sets the file's write time to now, creating it empty when missing. Failures are logged.
void Touch(const QString &name);

// Moves a file or folder to the user's trash. On failure the entry stays where it was (or is
// put back) and `error` says why.
bool MoveToTrash(const QString &path, QString *error = nullptr);
