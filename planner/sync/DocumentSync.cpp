// The synchronisation's life beside the core, the core's edits going into the journal, and the
// journal itself: making journals, handing events over, the recycle bin and trimming the
// working folder's history.

#include "sync/DocumentSync.h"

#include <QPointer>

#include <algorithm>

#include "AtomicFile.h"
#include "sync/CoreJournalFormat.h"
#include "sync/DirWatchThread.h"
#include "Helper.h"
#include "Language.h"
#include "Log.h"
#include "core/MessageQueue.h"
#include "core/PlannerCore.h"
#include "sync/NodeEvent.h"
#include "sync/DocumentSyncState.h"
#include "sync/WorkingFolder.h"

namespace {

// What keeps this instance's edits from the others, worst first.
enum TSharingProblem { spNone, spRefused, spFolderUnusable, spStuck, spWriteFailed };

} // namespace

TDocumentSync::TDocumentSync(TPlannerCore &core, QObject *parent)
    : QObject(parent), FCore(core), FDirWatchThread(std::make_unique<TDirWatchThread>())
{
    setObjectName(QStringLiteral("DocumentSync"));
    FCore.AddObserver(*this);
    FCore.OnIdleSynchronise = [this] { SynchronisationStep(); };
    FCore.OnFolderReachable = [this] { return SyncOnline(); };
}

TDocumentSync::~TDocumentSync()
{
    EndJournal();
    FCore.OnIdleSynchronise = nullptr;
    FCore.OnFolderReachable = nullptr;
    FCore.RemoveObserver(*this);
}

// ---- the core's edits

void TDocumentSync::NoteGeneration()
{
    FRowOrder.SetGeneration(FDirWatchThread->Filename() + QLatin1Char('\n') + FDirWatchThread->WorkingDir());
}

void TDocumentSync::RowCreated(const QString &id, TWhichTable table, int place, const QString &before)
{
    NoteGeneration();
    auto event = std::make_unique<TNewNodeEvent>(id, table, place, before);
    event->SetStamp(FRowOrder.NextStamp());
    FRowOrder.Added(id, table, TRowOrder::TKey{event->Stamp(), UserIdentity()}, TRowOrder::TSpot{before, before, before});
    FDirWatchThread->PushDiff(std::move(event));
}

void TDocumentSync::CellChanged(const QString &id, qint32 changeIndex, TWhichTable table, int column,
                                const QString &text)
{
    FDirWatchThread->PushCells(id, changeIndex, table, {column}, {text}, FRowOrder.NextStamp());
}

void TDocumentSync::CellsChanged(const QString &id, qint32 changeIndex, TWhichTable table,
                                 const QVector<int> &columns, const QStringList &texts)
{
    FDirWatchThread->PushCells(id, changeIndex, table, columns, texts, FRowOrder.NextStamp());
}

void TDocumentSync::RowDeleted(const QString &id, qint32 changeIndex, TWhichTable table)
{
    NoteGeneration();
    // Its spot stays, for rows others put before it meanwhile.
    const TNodeData *next = FCore.RowAfter(FCore.FindNode(id, table));
    FRowOrder.Removed(id, table, next ? next->ID.Value() : QString());
    auto event = std::make_unique<TDeleteNodeEvent>(id, changeIndex, table);
    event->SetStamp(FRowOrder.NextStamp());
    FDirWatchThread->PushDiff(std::move(event));
}

void TDocumentSync::DocumentCleared()
{
    EndJournal();
    FDirWatchThread = std::make_unique<TDirWatchThread>();
    FUnjournalledChange = false;
    FEventsLeftBehind = false;
    FToldLosses.clear();
}

void TDocumentSync::NoteUnjournalledChange()
{
    FUnjournalledChange = true;
    FDirWatchThread->SetChanged(true);
}

bool TDocumentSync::HasUnsavedChanges() const
{
    return FUnjournalledChange || FEventsLeftBehind || FDirWatchThread->HasUnwrittenEvents();
}

// ---- the journal

void TDocumentSync::NewDirWatchThread(const QString &fileName, TJournalEvents *previousEvents)
{
    // Another document starts with nothing said about sharing.
    const bool another = !FDirWatchThread || FDirWatchThread->Filename() != platform::resolvedFilePath(fileName);
    if (another) {
        FProtectionNotice.clear();
        FToldLosses.clear();
    }
    if (FSync && another && (FSync->SharingProblem != spNone || !FSync->ProtectionShown.isEmpty())) {
        FSync->SharingProblem = spNone;
        FSync->ProtectionShown.clear();
        FCore.Window().SetSharingNotice(QString());
    }
    EndJournal();
    FEventsLeftBehind = false;
    // What writing the previous document's journal met says nothing about this one.
    if (FSync && another)
        FSync->StoreError.clear();
    FDirWatchThread.reset();
    try {
        FDirWatchThread = std::make_unique<TDirWatchThread>(fileName, previousEvents);
    } catch (const std::exception &e) {
        Log(QStringLiteral("Cannot open the working folder: ") + QString::fromLocal8Bit(e.what()));
        FDirWatchThread = std::make_unique<TDirWatchThread>(QString(), previousEvents);
        return;
    }
    // Row ids this user handed out before (in this run or an earlier one) may be known to
    // others through the diff files, even when the rows are gone: none is given out again.
    // A reload keeps the number this run reached, which is at least that.
    if (!FCarrying)
        FCore.FLastFreeID = std::max(FCore.FLastFreeID, FDirWatchThread->OwnIdHighWaterMark());
    ReportSharing();
}

int TDocumentSync::SharingProblemNow(QString &detail) const
{
    detail.clear();
    const TDirWatchThread *journal = FDirWatchThread.get();
    if (!journal || journal->Filename().isEmpty())
        return spNone;
    // As the last step left it: asking must not reset it.
    const TSyncState *state = FSync.get();
    if (journal->JournalRefused()) {
        detail = Translate(QStringLiteral("%s is open in another window of the user %s.\n"
                                          "Changes made here are not shared until that window is closed."),
                           {journal->Filename(), UserIdentity()});
        return spRefused;
    }
    if (!journal->FolderError().isEmpty()) {
        detail = journal->FolderError();
        return spFolderUnusable;
    }
    if (state && state->Stuck) {
        detail = state->StuckReason;
        return spStuck;
    }
    if (state && !state->StoreError.isEmpty()) {
        detail = state->StoreError;
        return spWriteFailed;
    }
    return spNone;
}

void TDocumentSync::ReportSharing()
{
    const TDirWatchThread *journal = FDirWatchThread.get();
    if (!journal || journal->Filename().isEmpty())
        return;
    TSyncState &state = SyncState();
    QString detail;
    const int problem = SharingProblemNow(detail);
    if (problem == state.SharingProblem && (problem != spNone || FProtectionNotice == state.ProtectionShown))
        return;
    const bool changed = problem != state.SharingProblem;
    state.SharingProblem = problem;
    state.SharingDetail = detail;
    if (problem == spNone) {
        if (changed)
            Log(QStringLiteral("Changes are shared with the other instances again"));
        // What is left to say: that the document cannot be saved under its name.
        state.ProtectionShown = FProtectionNotice;
        FCore.Window().SetSharingNotice(FProtectionNotice);
        return;
    }
    state.ProtectionShown.clear();
    Log(QStringLiteral("Changes are not shared with the other instances: ") + detail);
    FCore.Window().SetSharingNotice(Translate(QStringLiteral("Changes are not shared")) + QStringLiteral(": ")
                                    + detail);
    const QString text =
        problem == spRefused
            ? detail
            : Translate(QStringLiteral("Changes made here are not shared with other users:\n%s"), {detail});
    // Not inside the idle step or the road that made the journal; said only while the same
    // document has the same trouble (a save under another name, another document, a load
    // that failed, or a disk writable again make it moot).
    const QString fileName = journal->Filename();
    const QPointer<TDocumentSync> alive(this);
    FCore.Messages().Post(text, mtWarning, [alive, fileName, problem] {
        QString now;
        return alive && alive->FDirWatchThread && alive->FDirWatchThread->Filename() == fileName
               && alive->SharingProblemNow(now) == problem;
    });
}

void TDocumentSync::SetProtectionNotice(const QString &text)
{
    FProtectionNotice = text;
    ReportSharing();
}

void TDocumentSync::HandOverJournalEvents()
{
    FDirWatchThread->HandOverPendingEvents(TCoreJournalFormat(FCore), FCore.FSaveFileCompressed);
}

void TDocumentSync::WritePendingNow()
{
    FDirWatchThread->ForceStorePending(TCoreJournalFormat(FCore), FCore.FSaveFileCompressed);
}

TEarlyFileRead &TDocumentSync::EarlyWorkingCopy()
{
    return SyncState().EarlyWorkingCopy;
}

bool TDocumentSync::DeleteFile(const QString &fileName)
{
    QString error;
    if (MoveToTrash(fileName, &error))
        return true;
    Log(error);
    return false;
}

void TDocumentSync::ClearHistory()
{
    FCore.FMaxHistoryFiles = std::max(FCore.FMaxHistoryFiles, 10);
    if (FDirWatchThread->Filename().isEmpty())
        return;
    for (;;) {
        qint64 first = 0;
        qint64 last = 0;
        int count = 0;
        TDateTime newest = 0;
        FDirWatchThread->GetHistoryInfo(first, last, count, newest, ltHistory);
        if (count <= FCore.FMaxHistoryFiles)
            return;
        const QString name = QString::number(first);
        // The generation in use is never trimmed away.
        if (name == FDirWatchThread->WorkingDir())
            return;
        if (!DeleteFile(FDirWatchThread->GetTmpDirectory() + name)) {
            // The same folder would come first again: stop rather than loop.
            Log(QStringLiteral("Trimming the history stopped at generation ") + name);
            return;
        }
    }
}
