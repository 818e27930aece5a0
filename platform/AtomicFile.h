#pragma once

// Replacing a file that other processes read, so that at every moment the complete old or
// the complete new version stands under its name:
//
//   platform::TAtomicFile file(name);
//   if (!file.Prepare(bytes))   // every byte written, checked and synced under a temporary
//       report(file.ErrorString()); // name beside the target; nothing else changed
//   if (!file.Commit())         // renamed over the target, the folder synced
//       report(file.ErrorString()); // the old file still stands
//
// Every write and the final sync are checked here: a full disk or an I/O error shows up as a
// failure with the system's reason ("No space left on device"), never as an empty file. A
// prepared file that is never committed is removed when the object dies. Temporary names
// are hidden (a leading dot), name the writing process and its host, and end in ".tmp".
//
// A target that is a symbolic link is written through it: the file it names (at the end of a
// chain of links) is replaced, in that file's folder, and the link stays as it is.

#include <QByteArray>
#include <QString>

#include <functional>

namespace platform {

class TAtomicFile
{
public:
    explicit TAtomicFile(const QString &fileName);
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile &) = delete;
    TAtomicFile &operator=(const TAtomicFile &) = delete;

    // Writes and syncs the bytes under a temporary name in the target's folder (which must
    // exist). False when anything fails; the target is untouched then.
    bool Prepare(const QByteArray &bytes);
    // Puts the prepared file under the target's name. With `overwrite` false an existing
    // target is kept (and the result is false with `Exists()` true). False on failure; the
    // previous file then still stands.
    bool Commit(bool overwrite = true);
    // Removes a prepared file that will not be committed.
    void Discard();

    const QString &FileName() const { return FFileName; }
    // The file that is really replaced: FileName, or the file its links name.
    const QString &Target() const { return FTarget; }
    const QString &ErrorString() const { return FError; }
    // The system's error number of the last failure (ENOSPC, EROFS ...), 0 when it had none.
    int ErrorCode() const { return FErrorCode; }
    // The last Commit found the target there and kept it.
    bool Exists() const { return FExists; }

private:
    bool Fail(const QString &reason, int code = 0);
    // A failure the system reported: its text and its number.
    bool FailWith(int error);

    QString FFileName;
    QString FTarget;
    QString FTemporary;
    QString FError;
    int FErrorCode = 0;
    bool FExists = false;
};

// Prepare and Commit in one go. On failure `error` (when given) says why.
bool writeFileAtomically(const QString &fileName, const QByteArray &bytes, QString *error = nullptr);

// The file a path names: absolute, through the symbolic links of its folders and of its own
// name (a link to a link too), so that a write through it lands where the link points and a
// document is known by that file. A name that is no link (or a link to nothing yet) gives
// the path it stands for; a loop of links gives the last name reached, which then fails to
// open with ELOOP.
QString resolvedFilePath(const QString &path);

// Whether `name` is a temporary name of the writes above for a file in that folder.
bool isAtomicTemporaryName(const QString &name);

// Whether the temporary file at `path` was left by a write that can no longer finish: it
// belongs to this user, and the process its name gives ran on this host and is gone. One of
// another user, of another host, or of a process that still runs is never stale. A name of
// the older form without a process is stale once this user's file is older than a minute.
bool isStaleTemporary(const QString &path);

// Removes the stale temporary files (see isStaleTemporary) of `folder`; how many went.
int removeStaleTemporaries(const QString &folder);

// Makes a new, empty file under such a temporary name for `fileName` (whose folder must
// exist), open for writing; its path goes to `temporary`. -1 when none can be made, with
// errno set (EEXIST: every name tried was taken).
int createTemporaryFor(const QString &fileName, QString &temporary);

// A file or folder this user just made in a folder (open as `folderFd`), itself open as `fd`,
// gets the group write bit that the user's umask took away, when the folder's group may write
// into it and the new entry belongs to that group (a setgid folder passes its group down): a
// group's shared folder stays shared with every member. Only where the umask left the group
// its reading (and, for a folder, its search): a private umask is the user's choice, and
// writing alone would share nothing.
void shareWithFolderGroup(int fd, int folderFd);

// A seam for tests of failures that no disk at hand can be made to show (a used-up quota):
// while one is set, writing a file whose name it gives a non-zero error number for fails with
// that error, as the system would report it. An empty function removes it.
void setWriteFault(std::function<int(const QString &fileName)> fault);

// The text of the last system error (errno) of this thread.
QString systemErrorText(int error);

} // namespace platform
