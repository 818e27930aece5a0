// The roads of opening and saving a document through its shared working folder: the
// working-copy check, what killed saves left behind, Save and Save As. The generation steps
// of a save are the synchronisation's.

#include "document/DocumentFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "AtomicFile.h"
#include "Language.h"
#include "Log.h"
#include "SystemInfo.h"
#include "core/PlannerCore.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"
#include "sync/EarlyFileRead.h"
#include "sync/PreparedFile.h"
#include "sync/WatcherThread.h"

namespace {

// A document file of this size or more (compressed, about 50,000 rows) is read before the
// working copy, not beside it.
constexpr qint64 BigFileBytes = 4 << 20;

// What to do about a save that failed: another name helps only where the disk itself is not
// the trouble. `code` is the system's error number of the failed write, 0 when unknown; the
// disk of the document is asked then.
QString SaveFailureText(const QString &fileName, int code, const QString &sharedFolder)
{
    // Any name in the document's folder shares that folder: another name would fail alike.
    if (!sharedFolder.isEmpty() && (code == EACCES || code == EPERM))
        return Translate(QStringLiteral("File could not be saved, the shared folder %s of this document is not "
                                        "writable for the user %s.\nNothing is lost: please ask for write permission "
                                        "on that folder, then save again."),
                         {QDir::toNativeSeparators(QDir::cleanPath(sharedFolder)), platform::loginName()});
    if (code == 0) {
        struct statvfs disk;
        if (::statvfs(QFile::encodeName(QFileInfo(fileName).absolutePath()).constData(), &disk) == 0) {
            if ((disk.f_flag & ST_RDONLY) != 0)
                code = EROFS;
            else if (disk.f_bavail == 0)
                code = ENOSPC;
        }
    }
    switch (code) {
    case ENOSPC:
        return Translate(QStringLiteral("File could not be saved, the disk is full.\n"
                                        "Please make room on the disk, then save again."));
    case EDQUOT:
        return Translate(QStringLiteral("File could not be saved, your disk quota is used up.\n"
                                        "Please make room within your quota, then save again."));
    case EROFS:
        return Translate(QStringLiteral("File could not be saved, the disk is read-only.\n"
                                        "Please save the document on another disk."));
    default:
        return Translate(QStringLiteral("File could not be saved, please try saving with a different filename"));
    }
}

// The status bar's line for a document that cannot be saved under its name; empty for one
// that can.
QString ProtectionText(const QString &fileName, int protection)
{
    const QString name = QFileInfo(fileName).fileName();
    if (protection == EROFS)
        return Translate(QStringLiteral("%s lies on a read-only disk: changes can be saved only on another disk"), {name});
    if (protection != 0)
        return Translate(QStringLiteral("%s is write-protected: changes can be saved only under another name"), {name});
    return QString();
}

} // namespace

// ---- opening

bool TDocumentFile::Load(const QString &fileName)
{
    if (!QFileInfo(fileName).isFile()) {
        FCore.ActionNewExecute();
        return false;
    }
    RemoveLeftovers(fileName);
    FSync.NewDirWatchThread(fileName);
    // What a run of this user that ended without following a save left behind.
    FSync.CarryOverOwnEvents();
    // Said once the document is there, not only when a save is refused.
    struct TTellProtection
    {
        TDocumentSync &Sync;
        QString Text;
        ~TTellProtection() { Sync.SetProtectionNotice(Text); }
    } tellProtection{FSync, ProtectionText(fileName, WriteProtection(fileName))};
    const QString working = FSync.DirWatchThread()->GetWorkingFileName();

    // No working copy means none could be made (a folder without write permission): there
    // is nothing to choose between, the file is read as it is.
    if (!QFileInfo::exists(working) || FilesAreIdentical(working, fileName)) {
        // The first scan reads the working copy too: that read goes on beside the loading,
        // and whatever the load's outcome, a read not taken is not kept for later. A big
        // file is read first: its tree and the copy's would take their memory at once.
        struct TDropEarlyRead
        {
            TEarlyFileRead &Read;
            ~TDropEarlyRead() { Read.Drop(); }
        } dropEarlyRead{FSync.EarlyWorkingCopy()};
        const QFileInfo copy(working);
        const bool beside = copy.exists() && copy.size() < BigFileBytes;
        if (beside)
            dropEarlyRead.Read.Start(working);
        if (LoadFrom(fileName)) {
            if (!beside && copy.exists())
                dropEarlyRead.Read.Start(working);
            FSync.SyncLoadTransactions();
            return true;
        }
        if (ImportFrom(fileName))
            return true;
        FCore.ActionNewExecute();
        return false;
    }

    // Only a working copy that can be read is offered: the document file is all there is
    // otherwise.
    int answer = mrNo;
    {
        TScannedFile copy;
        QString reason;
        if (TWatcherThread::ReadXMLFile(working, copy, reason, TWatcherThread::rwCached) == TWatcherThread::rrRead
            && copy.Tree->namedNode(QStringList{QStringLiteral("document"), QStringLiteral("setup")}))
            answer = FCore.Window().Ask(Translate(QStringLiteral("The file does not match the working copy.\n"
                                                                 "Open the latest Working copy instead?")),
                                        mtConfirmation, {mbYes, mbNo, mbCancel});
        else
            Log(QStringLiteral("The working copy %1 cannot be read (%2); the document file is opened")
                    .arg(working, reason.isEmpty() ? QStringLiteral("no document") : reason));
    }
    if (answer == mrCancel) {
        FCore.ActionNewExecute();
        return false;
    }
    bool fromWorkingCopy = false;
    if (answer == mrYes) {
        fromWorkingCopy = LoadFrom(working);
        if (fromWorkingCopy)
            FSync.SyncLoadTransactions();
        else
            // A damaged working copy: the document file is all there is.
            Log(QStringLiteral("The working copy %1 cannot be read; the document file is opened").arg(working));
    }
    if (!fromWorkingCopy) {
        if (!LoadFrom(fileName)) {
            // The import saves the converted document itself.
            return ImportFrom(fileName);
        }
    }
    // The loaded state becomes the document and a new generation, so both agree again.
    Save(fileName);
    return true;
}

void TDocumentFile::RemoveLeftovers(const QString &fileName)
{
    // Writes and saves that were killed leave hidden temporary files and folders holding
    // a previous version for the recycle bin. Temporary files are left a minute, in case
    // another instance is writing right now.
    const QDateTime old = QDateTime::currentDateTime().addSecs(-60);
    const auto clean = [&](const QString &folder) {
        const QFileInfoList entries =
            QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            const QString name = entry.fileName();
            if (!name.startsWith(QLatin1Char('.')))
                continue;
            if (entry.isDir() && (name.contains(TPreparedFile::HoldFolderMarker()) || name.startsWith(QStringLiteral(".abandoned-"))))
                QDir(entry.absoluteFilePath()).removeRecursively();
            else if (entry.isFile() && platform::isAtomicTemporaryName(name) && entry.lastModified() < old)
                QFile::remove(entry.absoluteFilePath());
        }
    };
    const QFileInfo document(fileName);
    clean(document.absolutePath());
    const QString tmp = document.absolutePath() + QStringLiteral("/.zop/") + document.fileName() + QLatin1Char('/');
    clean(tmp);
    for (const QString &generation : QDir(tmp).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        clean(tmp + generation);
}

bool TDocumentFile::FilesAreIdentical(const QString &a, const QString &b)
{
    QFile first(a);
    QFile second(b);
    if (!first.exists() || !second.exists())
        return false;
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 BlockSize = 4096;
    // One read may return less than asked: fill each block before comparing.
    auto readBlock = [](QFile &file, QByteArray &block) {
        block.resize(BlockSize);
        qint64 done = 0;
        while (done < BlockSize) {
            const qint64 got = file.read(block.data() + done, BlockSize - done);
            if (got < 0)
                return false;
            if (got == 0)
                break;
            done += got;
        }
        block.resize(done);
        return true;
    };
    QByteArray blockA;
    QByteArray blockB;
    for (;;) {
        if (!readBlock(first, blockA) || !readBlock(second, blockB))
            return false;
        if (blockA != blockB)
            return false;
        if (blockA.isEmpty())
            return true;
    }
}

// ---- saving

bool TDocumentFile::Save()
{
    return ActionSaveExecute();
}

bool TDocumentFile::ActionSaveExecute()
{
    const QString name = FSync.DirWatchThread()->Filename();
    if (name.isEmpty())
        return ActionSaveAsExecute();
    return Save(name);
}

bool TDocumentFile::ActionSaveAsExecute()
{
    if (!OnChooseSaveFileName)
        return false;
    QString name = OnChooseSaveFileName(FSync.DirWatchThread()->GetPossibleFileName());
    if (name.isEmpty())
        return false;
    // Only ".zop" names can be opened again.
    if (!name.endsWith(QStringLiteral(".zop"), Qt::CaseInsensitive))
        name += QStringLiteral(".zop");
    if (QFileInfo::exists(name)
        && FCore.Window().Ask(Translate(QStringLiteral("File %s already exists.\nOverwrite this file?"), {name}),
                              mtConfirmation, {mbOK, mbCancel})
               != mrOk)
        return false;
    return Save(name);
}

int TDocumentFile::WriteProtection(const QString &fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat info;
    if (fileName.isEmpty() || ::stat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    if (::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0) {
        if (errno == EROFS)
            return EROFS;
        if (errno == EACCES || errno == EPERM)
            return EACCES;
    }
    // Root may write any file: a file its owner may not write counts as protected all the same.
    // Anyone else is judged by the access check alone, which may let a group write.
    if (::geteuid() == 0 && (info.st_mode & S_IWUSR) == 0)
        return EACCES;
    return 0;
}

bool TDocumentFile::Save(const QString &name)
{
    // A copy: the name may be the journal's own, and following another instance's save on
    // the way replaces the journal.
    const QString fileName = name;
    if (fileName.isEmpty())
        return false;
    // A file its user protected is never replaced: the edits stay in the journal, and the
    // document may go under another name.
    if (const int protection = WriteProtection(fileName)) {
        const bool readOnlyDisk = protection == EROFS;
        Log(QStringLiteral("save() refused: %1 is %2")
                .arg(fileName, readOnlyDisk ? QStringLiteral("on a read-only disk") : QStringLiteral("write-protected")));
        const QString text =
            readOnlyDisk ? Translate(QStringLiteral("%s lies on a read-only disk.\n"
                                                    "Do you want to save the document on another disk?"),
                                     {fileName})
                         : Translate(QStringLiteral("%s is write-protected.\n"
                                                    "Do you want to save the document under another name?"),
                                     {fileName});
        if (FCore.Window().Ask(text, mtWarning, {mbYes, mbNo}) == mrYes)
            return ActionSaveAsExecute();
        return false;
    }
    // While loading, the window still shows the previous document's settings.
    if (FSync.OnSaveFileIni && !FCore.IsLoading())
        FSync.OnSaveFileIni();
    FCore.Window().SetBusyCursor(true);
    bool rival = false;
    QString error;
    int code = 0;
    const bool saved = FSync.SaveGeneration(fileName, error, rival, &code);
    FCore.Window().SetBusyCursor(FCore.IsUpdating());
    if (saved)
        FSync.SetProtectionNotice(QString());
    if (!saved) {
        Log(QStringLiteral("save() error: ") + error);
        // Whatever the road reached, the document still holds unsaved changes.
        FSync.DirWatchThread()->SetChanged(true);
        if (rival) {
            // Every edit is in the journal: another file name would help nobody.
            const QString started = FSync.UnfinishedSaveStarted();
            FCore.Window().Ask(started.isEmpty()
                                   ? Translate(QStringLiteral("Another instance is saving the document; nothing is lost."))
                                   : Translate(QStringLiteral("A save started elsewhere at %s has not finished; "
                                                              "nothing is lost.\nPlease save again in a moment."),
                                               {started}),
                               mtInformation, {mbOK});
        } else {
            // With the system's reason ("No space left on device"), so the user knows what to do.
            FCore.Window().Ask(SaveFailureText(fileName, code, FSync.RefusedFolder()) + QStringLiteral("\n\n") + error,
                               mtWarning, {mbOK});
        }
    } else if (OnSaved) {
        OnSaved(fileName);
    }
    return saved;
}
