// The roads of opening and saving a document through its shared working folder: the
// working-copy check, the lock copy, the generations, the recycle bin and the history.

#include "core/PlannerCore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <exception>

#include "sync/DirWatchThread.h"
#include "sync/EarlyFileRead.h"
#include "Language.h"
#include "Log.h"
#include "document/PreparedFile.h"
#include "AtomicFile.h"
#include "Helper.h"
#include "sync/GenerationBase.h"
#include "sync/DocumentSyncState.h"
#include "sync/WorkingFolder.h"

namespace {

QString ErrorText(const std::exception &e)
{
    return QString::fromLocal8Bit(e.what());
}

// A document file of this size or more (compressed, about 50,000 rows) is read before the
// working copy, not beside it.
constexpr qint64 BigFileBytes = 4 << 20;

// An error of the save road, already worded for the log.
class ESaveError : public std::runtime_error
{
public:
    explicit ESaveError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

// Another instance saves from the same generation at the same moment, into `Generation`.
class ESaveRival : public ESaveError
{
public:
    explicit ESaveRival(qint64 generation)
        : ESaveError(QStringLiteral("another instance saved the document at the same moment")), Generation(generation)
    {
    }
    qint64 Generation;
};

} // namespace

// ---- opening

bool TPlannerCore::Load(const QString &fileName)
{
    if (!QFileInfo(fileName).isFile()) {
        ActionNewExecute();
        return false;
    }
    RemoveLeftovers(fileName);
    NewDirWatchThread(fileName);
    const QString working = DirWatchThread()->GetWorkingFileName();

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
        } dropEarlyRead{FDocumentSync->EarlyWorkingCopy()};
        const QFileInfo copy(working);
        const bool beside = copy.exists() && copy.size() < BigFileBytes;
        if (beside)
            dropEarlyRead.Read.Start(working);
        if (LoadFrom(fileName)) {
            if (!beside && copy.exists())
                dropEarlyRead.Read.Start(working);
            SyncLoadTransactions();
            return true;
        }
        if (ImportFrom(fileName))
            return true;
        ActionNewExecute();
        return false;
    }

    const int answer = FWindow.Ask(
        Translate(QStringLiteral("The file does not match the working copy.\nOpen the latest Working copy instead?")),
        mtConfirmation, {mbYes, mbNo, mbCancel});
    if (answer == mrCancel) {
        ActionNewExecute();
        return false;
    }
    bool fromWorkingCopy = false;
    if (answer == mrYes) {
        fromWorkingCopy = LoadFrom(working);
        if (fromWorkingCopy)
            SyncLoadTransactions();
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

void TPlannerCore::RemoveLeftovers(const QString &fileName)
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

bool TPlannerCore::FilesAreIdentical(const QString &a, const QString &b)
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

bool TPlannerCore::Save()
{
    return ActionSaveExecute();
}

bool TPlannerCore::ActionSaveExecute()
{
    const QString name = DirWatchThread()->Filename();
    if (name.isEmpty())
        return ActionSaveAsExecute();
    return Save(name);
}

bool TPlannerCore::ActionSaveAsExecute()
{
    if (!OnChooseSaveFileName)
        return false;
    QString name = OnChooseSaveFileName(DirWatchThread()->GetPossibleFileName());
    if (name.isEmpty())
        return false;
    // Only ".zop" names can be opened again.
    if (!name.endsWith(QStringLiteral(".zop"), Qt::CaseInsensitive))
        name += QStringLiteral(".zop");
    if (QFileInfo::exists(name)
        && FWindow.Ask(Translate(QStringLiteral("File %s already exists.\nOverwrite this file?"), {name}),
                       mtConfirmation, {mbOK, mbCancel}) != mrOk)
        return false;
    return Save(name);
}

bool TPlannerCore::Save(const QString &name)
{
    // A copy: the name may be the journal's own, and following another instance's save on
    // the way replaces the journal.
    const QString fileName = name;
    if (fileName.isEmpty())
        return false;
    // While loading, the window still shows the previous document's settings.
    if (OnSaveFileIni && !FLoading)
        OnSaveFileIni();
    FWindow.SetBusyCursor(true);
    bool saved = false;
    bool rival = false;
    QString error;
    // Two saves of one generation at the same moment: the one that gives way follows the
    // other and saves once more on top of it.
    for (int attempt = 0; attempt < 2 && !saved; ++attempt) {
        rival = false;
        try {
            saved = DoSave(fileName);
        } catch (const ESaveRival &e) {
            error = ErrorText(e);
            rival = true;
            if (attempt == 0 && !FDocumentSync->FollowRivalSave(e.Generation))
                break;
        } catch (const std::exception &e) {
            error = ErrorText(e);
            break;
        } catch (...) {
            error = QStringLiteral("unknown error");
            break;
        }
    }
    FWindow.SetBusyCursor(IsUpdating());
    if (!saved) {
        Log(QStringLiteral("save() error: ") + error);
        // Whatever the road reached, the document still holds unsaved changes.
        DirWatchThread()->SetChanged(true);
        if (rival) {
            // Every edit is in the journal: another file name would help nobody.
            FWindow.Ask(Translate(QStringLiteral("Another instance is saving the document; nothing is lost.")),
                        mtInformation, {mbOK});
        } else {
            // With the system's reason ("No space left on device"), so the user knows what to do.
            FWindow.Ask(Translate(QStringLiteral("File could not be saved, please try saving with a different filename"))
                            + QStringLiteral("\n\n") + error,
                        mtWarning, {mbOK});
        }
    }
    return saved;
}

namespace {

// A generation folder claimed for a save; unless the save finishes, the folder goes again
// and a lock copy written meanwhile is removed, so the closed generation opens again.
class TClaim
{
public:
    TClaim(TDirWatchThread &journal, const QString &claimed) : FJournal(journal), FClaimed(claimed) {}
    ~TClaim()
    {
        if (FDone)
            return;
        if (FLocked)
            QFile::remove(FJournal.GetLockedFileName());
        QDir(FJournal.GetTmpDirectory() + FClaimed).removeRecursively();
    }
    void Locked() { FLocked = true; }
    void Done() { FDone = true; }

private:
    TDirWatchThread &FJournal;
    QString FClaimed;
    bool FLocked = false;
    bool FDone = false;
};

} // namespace

void TPlannerCore::SaveStep(const QString &step)
{
    if (OnSaveStep)
        OnSaveStep(step);
}

bool TPlannerCore::DoSave(const QString &fileName)
{
    // One serialised buffer for the lock copy, the working copy and the document: the three
    // are byte-identical, so the next opening finds no mismatch. The document is written
    // (not yet renamed) first: a full disk or a folder that cannot take it stops the road
    // before the working folder is touched.
    QByteArray bytes;
    auto document = std::make_unique<TPreparedFile>(fileName);
    const auto prepare = [&] {
        bytes = SaveToBuffer(FSaveFileCompressed);
        if (!document->Prepare(bytes))
            throw ESaveError(document->ErrorString());
    };
    if (DirWatchThread()->Filename() != fileName) {
        prepare();
        NewDirWatchThread(fileName);
    } else {
        // What the others wrote so far goes into this save; a save of theirs is followed
        // first, so that this one builds on it.
        StopBackgroundThread();
        FDocumentSync->FollowOtherSaves();
        CatchUp();
    }
    StopBackgroundThread();
    TDirWatchThread &journal = *DirWatchThread();
    if (!journal.FolderError().isEmpty())
        throw ESaveError(journal.FolderError());
    const QString current = journal.WorkingDir();
    qint64 from = -1;
    ParseGenerationName(current, from);

    // The next generation belongs to this save alone once its folder is made.
    QString error;
    const qint64 next = journal.ClaimGeneration(from, error);
    if (next < 0)
        throw ESaveError(error);
    const QString claimed = QString::number(next);
    TClaim claim(journal, claimed);
    SaveStep(QStringLiteral("claimed"));

    if (bytes.isEmpty())
        prepare();

    // What of the closing generation this document holds: every instance journals the rest
    // of its own events again when it moves on.
    TGenerationBase base;
    base.From = from;
    base.Saver = UserIdentity();
    base.Host = QSysInfo::machineHostName();
    base.Pid = QCoreApplication::applicationPid();
    if (FDocumentSync->FSync && FDocumentSync->FSync->Journal == &journal) {
        const QString workingCopy = journal.GetWorkingFileName();
        for (const auto &[path, file] : FDocumentSync->FSync->Files)
            if (path != workingCopy && file.LastIndex >= 0)
                base.Applied[QFileInfo(path).fileName()] = file.LastIndex;
    }
    if (journal.OwnLastIndex() >= 0)
        base.Applied[QFileInfo(journal.DiffFile()).fileName()] = journal.OwnLastIndex();
    if (!platform::writeFileAtomically(journal.GetBaseFileName(claimed), base.ToBytes(), &error))
        throw ESaveError(error);
    SaveStep(QStringLiteral("based"));

    // Two saves of one generation at the same moment: the later one gives way.
    for (const qint64 other : journal.Generations()) {
        TGenerationBase theirs;
        const QString name = QString::number(other);
        if (other > from && other < next
            && (QFileInfo::exists(journal.GetWorkingFileName(name))
                || (theirs.Read(journal.GetBaseFileName(name)) && theirs.From == from)))
            throw ESaveRival(other);
    }

    // The lock copy closes the current generation for every instance.
    claim.Locked();
    if (!WriteDocumentFile(journal.GetLockedFileName(), bytes, error))
        throw ESaveError(error);
    SaveStep(QStringLiteral("locked"));

    platform::TAtomicFile working(journal.GetWorkingFileName(claimed));
    if (!working.Prepare(bytes) || !working.Commit(false))
        throw ESaveError(working.ErrorString());
    claim.Done();
    SaveStep(QStringLiteral("working"));

    // The new generation is everyone's now; every own event is in it.
    journal.SetWorkingDir(claimed);
    journal.DropUnwrittenEvents();
    if (!document->Commit([this](const QString &previous) { return DeleteFile(previous); }))
        throw ESaveError(document->ErrorString());
    SaveStep(QStringLiteral("document"));

    journal.SetNeedReload(false);
    journal.SetChanged(false);
    ClearHistory();
    return true;
}

bool TPlannerCore::WriteDocumentFile(const QString &fileName, const QByteArray &bytes, QString &error)
{
    TPreparedFile file(fileName);
    if (file.Prepare(bytes) && file.Commit([this](const QString &previous) { return DeleteFile(previous); }))
        return true;
    error = file.ErrorString();
    return false;
}
