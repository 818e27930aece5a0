// The generation steps of a save: the next generation folder claimed, the record of what it
// is based on, the lock copy that closes the current generation, the new working copy and
// then the document file itself, all from one serialised buffer.

#include "sync/DocumentSync.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <memory>
#include <stdexcept>

#include "AtomicFile.h"
#include "Helper.h"
#include "Log.h"
#include "core/PlannerCore.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentStore.h"
#include "sync/DocumentSyncState.h"
#include "sync/GenerationBase.h"
#include "sync/PreparedFile.h"
#include "sync/WorkingFolder.h"

namespace {

QString ErrorText(const std::exception &e)
{
    return QString::fromLocal8Bit(e.what());
}

// An error of the save road, already worded for the log.
class ESaveError : public std::runtime_error
{
public:
    explicit ESaveError(const QString &message, int code = 0, const QString &sharedFolder = QString())
        : std::runtime_error(message.toStdString()), Code(code), SharedFolder(sharedFolder)
    {
    }
    int Code; // the system's error number, 0 when there is none
    // The document's shared folder, when writing there failed.
    QString SharedFolder;
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

bool TDocumentSync::SaveGeneration(const QString &fileName, QString &error, bool &rival, int *errorCode)
{
    bool saved = false;
    if (errorCode)
        *errorCode = 0;
    FUnfinishedSave.clear();
    FRefusedFolder.clear();
    // Two saves of one generation at the same moment: the one that gives way follows the
    // other and saves once more on top of it.
    for (int attempt = 0; attempt < 2 && !saved; ++attempt) {
        rival = false;
        try {
            saved = DoSave(fileName);
        } catch (const ESaveRival &e) {
            error = ErrorText(e);
            rival = true;
            if (attempt == 0 && !FollowRivalSave(e.Generation))
                break;
        } catch (const ESaveError &e) {
            error = ErrorText(e);
            if (errorCode)
                *errorCode = e.Code;
            FRefusedFolder = e.SharedFolder;
            break;
        } catch (const std::exception &e) {
            error = ErrorText(e);
            break;
        } catch (...) {
            error = QStringLiteral("unknown error");
            break;
        }
    }
    return saved;
}

void TDocumentSync::SaveStep(const QString &step)
{
    if (OnSaveStep)
        OnSaveStep(step);
}

bool TDocumentSync::DoSave(const QString &fileName)
{
    // One serialised buffer for the lock copy, the working copy and the document: the three
    // are byte-identical, so the next opening finds no mismatch. The document is written
    // (not yet renamed) before the claim: a full disk or a folder that cannot take it stops
    // the road before the working folder is touched.
    if (!FStore)
        throw ESaveError(QStringLiteral("there is no document file to write"));
    QByteArray bytes;
    auto document = std::make_unique<TPreparedFile>(fileName);
    const auto prepare = [&] {
        bytes = FStore->SaveToBuffer(FCore.FSaveFileCompressed);
        if (!document->Prepare(bytes))
            throw ESaveError(document->ErrorString(), document->ErrorCode());
    };
    if (FDirWatchThread->Filename() != fileName) {
        prepare();
        NewDirWatchThread(fileName);
    } else {
        // What the others wrote so far goes into this save; a save of theirs is followed
        // first, so that this one builds on it. Nothing changes the model from here on, so
        // the buffer is made now: the claim below stays short, and a failing write stops the
        // road before the working folder is touched.
        StopBackgroundThread();
        // The scan may not have reported a newer generation yet: a save looks itself.
        TSyncState &state = SyncState();
        state.NewerGeneration = std::max(state.NewerGeneration, FDirWatchThread->NewestGeneration());
        FollowOtherSaves(true);
        CatchUp();
        prepare();
    }
    StopBackgroundThread();
    TDirWatchThread &journal = *FDirWatchThread;
    // From here on every file goes into the shared folder; a failure there is its own.
    const QString shared = journal.GetTmpDirectory();
    if (!journal.FolderError().isEmpty())
        throw ESaveError(journal.FolderError(), FolderWriteError(journal.GetWorkingDir()), shared);
    const QString current = journal.WorkingDir();
    qint64 from = -1;
    ParseGenerationName(current, from);

    // Another save of this generation may still win over this one: then only what reached a
    // diff file is journalled again. What cannot be written now is kept aside below.
    WritePendingNow();
    std::vector<TDiffRecord> unwritten = UnwrittenRecords();

    // The next generation belongs to this save alone once its folder is made.
    QString error;
    int claimCode = 0;
    const qint64 next = journal.ClaimGeneration(from, error, &claimCode);
    if (next < 0)
        throw ESaveError(error, claimCode, shared);
    const QString claimed = QString::number(next);
    TClaim claim(journal, claimed);
    SaveStep(QStringLiteral("claimed"));

    // What of the closing generation this document holds: every instance journals the rest
    // of its own events again when it moves on.
    TGenerationBase base;
    base.From = from;
    base.Saver = UserIdentity();
    base.Host = QSysInfo::machineHostName();
    base.Pid = QCoreApplication::applicationPid();
    if (FSync && FSync->Journal == &journal) {
        const QString workingCopy = journal.GetWorkingFileName();
        for (const auto &[path, file] : FSync->Files)
            if (path != workingCopy && file.LastIndex >= 0)
                base.Applied[QFileInfo(path).fileName()] = file.LastIndex;
    }
    if (journal.OwnLastIndex() >= 0)
        base.Applied[QFileInfo(journal.DiffFile()).fileName()] = journal.OwnLastIndex();
    platform::TAtomicFile baseFile(journal.GetBaseFileName(claimed));
    if (!baseFile.Prepare(base.ToBytes()) || !baseFile.Commit())
        throw ESaveError(baseFile.ErrorString(), baseFile.ErrorCode(), shared);
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
    int code = 0;
    if (!WriteDocumentFile(journal.GetLockedFileName(), bytes, error, &code))
        throw ESaveError(error, code, shared);
    SaveStep(QStringLiteral("locked"));

    platform::TAtomicFile working(journal.GetWorkingFileName(claimed));
    if (!working.Prepare(bytes) || !working.Commit(false))
        throw ESaveError(working.ErrorString(), working.ErrorCode(), shared);
    claim.Done();
    SaveStep(QStringLiteral("working"));

    // The new generation is everyone's now; every own event is in it.
    journal.SetWorkingDir(claimed);
    journal.DropUnwrittenEvents();
    if (!unwritten.empty())
        SyncState().SavedOnly.emplace_back(next, std::move(unwritten));
    if (!document->Commit([this](const QString &previous) { return DeleteFile(previous); }))
        throw ESaveError(document->ErrorString(), document->ErrorCode());
    SaveStep(QStringLiteral("document"));

    journal.SetNeedReload(false);
    journal.SetChanged(false);
    FUnjournalledChange = false;
    FEventsLeftBehind = false;
    ClearHistory();
    return true;
}

bool TDocumentSync::WriteDocumentFile(const QString &fileName, const QByteArray &bytes, QString &error,
                                      int *errorCode)
{
    TPreparedFile file(fileName);
    if (file.Prepare(bytes) && file.Commit([this](const QString &previous) { return DeleteFile(previous); }))
        return true;
    error = file.ErrorString();
    if (errorCode)
        *errorCode = file.ErrorCode();
    return false;
}
