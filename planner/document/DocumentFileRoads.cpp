// The roads of opening and saving a document through its shared working folder: the
// working-copy check, what killed saves left behind, Save and Save As. The generation steps
// of a save are the synchronisation's.

#include "document/DocumentFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "AtomicFile.h"
#include "Language.h"
#include "Log.h"
#include "core/PlannerCore.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"
#include "sync/EarlyFileRead.h"
#include "sync/PreparedFile.h"
#include "sync/WatcherThread.h"
#include "sync/WorkingFolder.h"

namespace {

// A document file of this size or more (compressed, about 50,000 rows) is read before the
// working copy, not beside it.
constexpr qint64 BigFileBytes = 4 << 20;

// What to do about a save that failed: the true reason, and what helps. `code` is the
// system's error number of the failed write, 0 when unknown: the folder is asked then.
// `sharedFolder` is the document's shared folder when the write there failed: any name in the
// document's folder shares that folder, so another name would fail alike.
QString SaveFailureText(const QString &fileName, int code, const QString &sharedFolder)
{
    const QString folder = sharedFolder.isEmpty() ? QFileInfo(fileName).absolutePath() : sharedFolder;
    QString where;
    const int found = FolderWriteError(folder, &where);
    if (code == 0)
        code = found;
    if (found != code)
        where = folder;
    QString advice;
    switch (code) {
    case EACCES:
    case EPERM:
        advice = sharedFolder.isEmpty()
                     ? QStringLiteral("Please save the document in another folder, or ask for write permission on "
                                      "that folder.")
                     : QStringLiteral("Nothing is lost: please ask for write permission on that folder, then save "
                                      "again.");
        break;
    case EROFS:
    case EFBIG:
        advice = QStringLiteral("Please save the document on another disk.");
        break;
    case ENOSPC:
        advice = QStringLiteral("Please make room on the disk, then save again.");
        break;
    case EDQUOT:
        advice = QStringLiteral("Please make room within your quota, then save again.");
        break;
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
        advice = QStringLiteral("Please save the document in another folder.");
        break;
    case ENAMETOOLONG:
        advice = QStringLiteral("Please choose a shorter name.");
        break;
    default:
        return Translate(QStringLiteral("File could not be saved, please try saving with a different filename"));
    }
    return Translate(QStringLiteral("File could not be saved, %s.\n%s"),
                     {FileProblemText(code, where, fuWrite), Translate(advice)});
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

bool TDocumentFile::Load(const QString &name)
{
    // Known by the file its links name: its folder holds the journal.
    const QString fileName = platform::resolvedFilePath(name);
    FLoadFailure.clear();
    if (!QFileInfo(fileName).isFile()) {
        FCore.ActionNewExecute();
        return false;
    }
    // A file that cannot be read gets no journal: nothing is said about sharing a document
    // that never opens, only why it cannot be read.
    QString where;
    if (const int code = FileReadError(fileName, &where)) {
        Log(QStringLiteral("load() error: ") + FileProblemText(code, where, fuRead));
        FLoadFailure = LoadFailureText(code, where);
        FCore.ActionNewExecute();
        return false;
    }
    RemoveLeftovers(fileName, true);
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

void TDocumentFile::RemoveLeftovers(const QString &fileName, bool opening)
{
    // Writes and saves that were killed leave hidden temporary files and folders holding
    // a previous version for the recycle bin. A temporary file goes only when it is this
    // user's and its writer is gone: another instance may be writing it right now. The
    // folders go when the document opens (a save of another instance may hold one).
    const auto clean = [opening](const QString &folder) {
        platform::removeStaleTemporaries(folder);
        if (!opening)
            return;
        const QFileInfoList entries =
            QDir(folder).entryInfoList({QStringLiteral(".*")}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            const QString name = entry.fileName();
            if (name.contains(TPreparedFile::HoldFolderMarker()) || name.startsWith(QStringLiteral(".abandoned-")))
                QDir(entry.absoluteFilePath()).removeRecursively();
        }
    };
    const QFileInfo document(fileName);
    clean(document.absolutePath());
    const QString tmp = document.absolutePath() + QStringLiteral("/.zop/") + document.fileName() + QLatin1Char('/');
    clean(tmp);
    // Opening looks into every generation; a save, which must stay quick on a slow share,
    // into the two newest, where a killed save or write of the current one left its files.
    QStringList generations = QDir(tmp).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (!opening) {
        std::vector<qint64> numbers;
        for (const QString &name : std::as_const(generations)) {
            qint64 number = 0;
            if (ParseGenerationName(name, number))
                numbers.push_back(number);
        }
        std::sort(numbers.begin(), numbers.end(), std::greater<>());
        generations.clear();
        for (std::size_t i = 0; i < numbers.size() && i < 2; ++i)
            generations.append(QString::number(numbers[i]));
    }
    for (const QString &generation : std::as_const(generations))
        clean(tmp + generation);
}

QString TDocumentFile::LoadFailureText(int code, const QString &where)
{
    const QString reason = FileProblemText(code, where, fuRead);
    switch (code) {
    case EACCES:
    case EPERM:
        return Translate(QStringLiteral("File cannot be loaded, %s.\n%s"),
                         {reason, Translate(QStringLiteral("Please ask for read permission, or open a copy you may "
                                                           "read."))});
    default:
        return Translate(QStringLiteral("File cannot be loaded, %s."), {reason});
    }
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
    // the way replaces the journal. Through its links: the file they name is replaced.
    if (name.isEmpty())
        return false;
    const QString fileName = platform::resolvedFilePath(name);
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
    // What killed saves of this user left beside the document goes now.
    RemoveLeftovers(fileName, false);
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
