#pragma once

// Replaces one file so that at every moment either the complete old or the complete new
// version stands under its name, and other instances never read half a file:
//
//   TPreparedFile file(name);
//   if (!file.Prepare(bytes))          // a synced temporary file beside the target
//       report(file.ErrorString());    // nothing changed
//   ... more work that may still fail ...
//   if (!file.Commit(trash))           // rename over the target, then the previous
//       report(file.ErrorString());    // version goes to `trash`
//
// A prepared file that is never committed is removed again when the object dies. The
// temporary name is hidden and never ends in ".diff"; the writing itself is the platform's
// checked atomic write.

#include <QByteArray>
#include <QString>

#include <functional>

#include "AtomicFile.h"

class TPreparedFile
{
public:
    // Receives the path of the replaced version (a second link to it); true when it was
    // taken away (recycle bin). Whatever it leaves behind is removed afterwards.
    using TTrashFunction = std::function<bool(const QString &path)>;

    explicit TPreparedFile(const QString &fileName);
    ~TPreparedFile();
    TPreparedFile(const TPreparedFile &) = delete;
    TPreparedFile &operator=(const TPreparedFile &) = delete;

    // Writes and syncs the bytes under a temporary name in the target's folder (the folder
    // is made when missing). False when anything fails; the target is untouched then.
    bool Prepare(const QByteArray &bytes);
    // Renames the prepared file over the target. With `trash`, a previous version is kept
    // under a second name first and handed over after the rename. False when the rename
    // failed; the previous version then still stands under the name.
    bool Commit(const TTrashFunction &trash = {});

    const QString &FileName() const { return FFileName; }
    const QString &ErrorString() const { return FError; }
    // The system's error number of the last failure, 0 when it had none.
    int ErrorCode() const { return FErrorCode; }

    // Hidden folders in which a commit holds the previous version for the recycle bin start
    // with this after the file's name; one left behind by a killed save may be removed.
    static QString HoldFolderMarker() { return QStringLiteral(".previous-"); }

private:
    QString FFileName;
    QString FError;
    int FErrorCode = 0;
    platform::TAtomicFile FFile;
    bool FPrepared = false;
};
