// The synchronisation step of the idle timer: the scan's start and collection, the files it
// read, writing the own events, and the forced variants used around loading and saving.
//
// The scan thread never touches the document: it gets copies of the paths and sizes it needs,
// writes the events handed to the journal's writer, and hands back whole parsed files, which
// the GUI thread takes only once the thread has finished. Other users' files and the working
// copy are kept here, per journal and generation; the journal keeps the own diff file.

#include "sync/DocumentSync.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <map>

#include "Bracket.h"
#include "sync/CoreJournalFormat.h"
#include "sync/DirWatchThread.h"
#include "sync/EarlyFileRead.h"
#include "Helper.h"
#include "Log.h"
#include "core/PlannerCore.h"
#include "sync/NodeEvent.h"
#include "sync/WatcherThread.h"
#include "sync/WorkingFolder.h"
#include "sync/DocumentSyncState.h"
#include "sync/XMLFile.h"

namespace {

const QStringList DiffPath{QStringLiteral("document"), QStringLiteral("diff")};
const QStringList DataPath{QStringLiteral("document"), QStringLiteral("data")};

} // namespace

TDiffRecord TDocumentSync::RecordOfEvent(const TNodeEvent &event) const
{
    if (const TDiffRecord *frozen = event.Record())
        return *frozen;
    TDiffRecord record;
    record.NodeName = event.XMLNodeName();
    record.ID = event.ID();
    event.AppendToXML(record, TCoreJournalFormat(FCore));
    return record;
}

void TDocumentSync::TSyncStateDeleter::operator()(TSyncState *state) const
{
    delete state;
}

TDocumentSync::TSyncState &TDocumentSync::SyncState()
{
    if (!FSync)
        FSync.reset(new TSyncState);
    TSyncState &state = *FSync;
    const TDirWatchThread *journal = FDirWatchThread.get();
    if (state.Journal != journal || (journal && (state.FileName != journal->Filename()
                                                 || state.WorkingDir != journal->WorkingDir()))) {
        state.Reset(journal);
        ForgetConflicts();
    }
    return state;
}

bool TDocumentSync::SyncOnline() const
{
    return !FSync || FSync->Online;
}

int TDocumentSync::NumPendingSyncFiles() const
{
    return FSync ? FSync->NumPendingFiles : 0;
}

bool TDocumentSync::ScanRunning() const
{
    return FSync && FSync->Thread && !FSync->Thread->Finished();
}

void TDocumentSync::StopBackgroundThread()
{
    if (FSync) {
        if (FSync->Thread) {
            FSync->Thread->Terminate();
            FSync->Thread.reset();
        }
        FSync->LastScan = Now();
    }
    if (FDirWatchThread)
        FDirWatchThread->StopBackgroundThread();
}

// ---- the step

void TDocumentSync::UpdatePending()
{
    TDirWatchThread *journal = FDirWatchThread.get();
    if (!journal || journal->Filename().isEmpty())
        return;
    TSyncState *state = &SyncState();
    state->Online = QFileInfo::exists(journal->Filename());
    if (!state->Online)
        return;

    // Another instance's save, a touched document file, a closed generation.
    const bool open = FollowOtherSaves();
    journal = FDirWatchThread.get();
    state = &SyncState();
    if (!open || !journal->FolderError().isEmpty()) {
        ReportSharing();
        return;
    }

    if (state->Thread) {
        if (!state->Thread->Finished())
            return;
        CollectScan(*state, state->Thread->TakeResult());
        state->Thread.reset();
        state->LastScan = Now();
    }

    LoadPending();
    SolveConflicts();
    ReportSharing();

    if (std::trunc((Now() - state->LastScan) * 86400.0 + 1e-6) >= 1) {
        state->LastScan = Now();
        StoreOwnEvents(*state);
        StartScan(*state);
    }
}

void TDocumentSync::StoreOwnEvents(TSyncState &)
{
    if (!FDirWatchThread->PendingEvents().empty())
        HandOverJournalEvents();
}

TScanInput TDocumentSync::ScanInput(const TSyncState &state, bool readAll) const
{
    const TDirWatchThread &journal = *FDirWatchThread;
    TScanInput input;
    input.UserFile = journal.GetUserFileName();
    input.WorkingDir = journal.GetWorkingDir();
    input.WorkingCopy = journal.GetWorkingFileName();
    input.ReadWorkingCopy = readAll || state.Files.find(input.WorkingCopy) == state.Files.end();
    input.OwnDiffFile = journal.DiffFile();
    input.Journal = FDirWatchThread.get();
    if (!readAll)
        for (const auto &[path, file] : state.Files)
            if (path != input.WorkingCopy)
                input.KnownFiles.emplace(path, file.Stamp);
    input.TmpDirectory = journal.GetTmpDirectory();
    input.DocumentName = QFileInfo(journal.Filename()).fileName();
    ParseGenerationName(journal.WorkingDir(), input.Generation);
    return input;
}

void TDocumentSync::StartScan(TSyncState &state)
{
    TDirWatchThread &journal = *FDirWatchThread;
    TScanInput input = ScanInput(state, false);
    // The journal stops the scan before it changes generation or goes.
    journal.SetScanStopper([this] {
        if (FSync && FSync->Thread) {
            FSync->Thread->Terminate();
            FSync->Thread.reset();
            FSync->LastScan = Now();
        }
    });
    state.Thread = std::make_unique<TWatcherThread>(std::move(input));
}

void TDocumentSync::CollectScan(TSyncState &state, TScanResult result)
{
    TDirWatchThread &journal = *FDirWatchThread;
    if (result.AnyDiff)
        journal.SetChanged(true);
    if (result.StoreAttempted)
        state.StoreError = result.Stored ? QString() : journal.StoreError();
    if (result.NewerGeneration >= 0)
        state.NewerGeneration = result.NewerGeneration;
    if (result.WorkingCopy) {
        TSyncFile &file = state.Files[result.WorkingCopy->Path];
        file.Tree = std::move(result.WorkingCopy->Tree);
        file.Stamp = result.WorkingCopy->Stamp;
        file.Changed = true;
    }
    state.NumPendingFiles = int(result.Files.size());
    for (TScannedFile &scanned : result.Files) {
        // The own current diff file may have got its name after the scan started.
        if (scanned.Path == journal.DiffFile())
            continue;
        TSyncFile &file = state.Files[scanned.Path];
        file.Tree = std::move(scanned.Tree);
        file.Stamp = scanned.Stamp;
        file.Changed = true;
    }
    for (const auto &skipped : result.Skipped) {
        // Read again by the next scan; said once per state of the file.
        const QString key = skipped.Path + QLatin1Char('|') + QString::number(skipped.Size);
        if (!state.Reported.contains(key)) {
            state.Reported.insert(key);
            Log(QStringLiteral("Skipped %1 for now: %2").arg(skipped.Path, skipped.Reason));
        }
    }
}

// ---- own events again

std::unique_ptr<TNodeEvent> TDocumentSync::EventOfRecord(const TDiffRecord &record) const
{
    qint32 change = 0;
    QString tableName;
    for (const auto &[name, text] : record.Children) {
        if (name == QStringLiteral("__change__"))
            change = text.toInt();
        else if (name == QStringLiteral("__table__"))
            tableName = text;
    }
    const TNodeData *row = FCore.FindNode(record.ID);
    if (record.NodeName == QStringLiteral("new"))
        return std::make_unique<TNewNodeEvent>(record.ID, tableName == QStringLiteral("tbTable") ? tbTable : tbExclude,
                                               record.Place, record.Before);
    const TWhichTable table = row ? row->NodeTable : tbTable;
    if (record.NodeName == QStringLiteral("delete"))
        return std::make_unique<TDeleteNodeEvent>(record.ID, change, table);
    if (record.NodeName != QStringLiteral("change"))
        return nullptr;
    std::unique_ptr<TSetNodeDataEvent> event;
    for (const auto &[name, stored] : record.Children) {
        const int column = FCore.IndexOfColumnHack(table, name);
        if (column < 0)
            continue;
        QString text = stored;
        TDateTime value = 0;
        if (FCore.GetColumnType(table, column) == ctDate && !text.isEmpty() && TryStrToDateTimeFromStorage(text, value))
            text = FCore.FormatDateTime(value);
        auto cell = std::make_unique<TSetNodeDataEvent>(record.ID, change, table, column, text);
        if (!event)
            event = std::move(cell);
        else
            event->CanAppend(*cell);
    }
    return event;
}

// ---- applying

void TDocumentSync::LoadPending()
{
    TSyncState &state = SyncState();
    // Many events at once (a colleague's long session, opening): one bracket, one pass.
    qint64 waiting = 0;
    for (const auto &[path, file] : state.Files) {
        if (!file.Changed || !file.Tree)
            continue;
        if (const TXMLNode *diff = file.Tree->namedNode(DiffPath))
            waiting += std::max<qint64>(0, qint64(getIndex(diff)) - file.LastIndex);
    }
    const bool bracket = waiting > 200 && !FCore.IsUpdating();
    // Events are new rows, deleted rows and cells alone: the bracket's end settles those rows.
    TBracket update([&] {
        if (bracket)
            FCore.BeginRowUpdate(QString());
    }, [this, bracket] {
        if (bracket)
            FCore.EndUpdate();
    });
    // Every changed file at once: the events of all of them in the order they were made.
    std::vector<TDiffSource> sources;
    for (auto &[path, file] : state.Files) {
        if (!file.Changed)
            continue;
        file.Changed = false;
        if (const TXMLNode *diff = file.Tree ? file.Tree->namedNode(DiffPath) : nullptr)
            sources.push_back(TDiffSource{diff, &file.LastIndex});
    }
    LoadDiffElements(sources);
    if (bracket)
        SolveConflicts();
}

void TDocumentSync::SolveConflicts()
{
    if (FConflicts.isEmpty() || !FDirWatchThread)
        return;
    TSyncState &state = SyncState();
    TDirWatchThread &journal = *FDirWatchThread;
    const QString workingCopy = journal.GetWorkingFileName();

    std::vector<const TXMLNode *> sources;
    for (const auto &[path, file] : state.Files) {
        if (!file.Tree || path == journal.DiffFile())
            continue;
        sources.push_back(file.Tree->namedNode(path == workingCopy ? DataPath : DiffPath));
    }
    const auto own = journal.XMLFiles().find(journal.DiffFile());
    if (own != journal.XMLFiles().end() && own->second)
        sources.push_back(own->second->xml().namedNode(DiffPath));
    // The own events not yet in any file take part too: without them this instance would
    // rebuild the row without its own latest edits, and end up unlike the others.
    TXMLTree unwritten;
    TXMLNode *records = unwritten.AddNode(QStringLiteral("diff"));
    int index = 0;
    for (const auto &event : journal.HandedOverEvents())
        RecordOfEvent(*event).AppendTo(*records, ++index);
    for (const auto &event : journal.PendingEvents())
        RecordOfEvent(*event).AppendTo(*records, ++index);
    sources.push_back(records);
    SolveConflicts(sources);
}

// ---- around loading and saving

void TDocumentSync::SyncLoadTransactions()
{
    TDirWatchThread *journal = FDirWatchThread.get();
    if (!journal || journal->Filename().isEmpty())
        return;
    StopBackgroundThread();
    TSyncState &state = SyncState();
    // A freshly loaded document has seen no event of any file yet.
    state.Reset(journal);
    ForgetConflicts();
    StoreOwnEvents(state);
    const std::atomic<bool> halt{false};
    TScanInput input = ScanInput(state, true);
    // The working copy may have been read already while the document was loading.
    std::optional<TEarlyFileRead::TRead> early = state.EarlyWorkingCopy.Take(input.WorkingCopy);
    if (early)
        input.ReadWorkingCopy = false;
    TScanResult result = TWatcherThread::Scan(input, halt);
    if (early && early->Result == TWatcherThread::rrRead)
        result.WorkingCopy = std::make_unique<TScannedFile>(std::move(early->File));
    else if (early && early->Result == TWatcherThread::rrIncomplete)
        result.Skipped.insert(result.Skipped.begin(), {input.WorkingCopy, -1, early->Reason});
    CollectScan(state, std::move(result));
    LoadPending();
    SolveConflicts();
    state.LastScan = Now();
}

void TDocumentSync::CatchUp()
{
    TDirWatchThread *journal = FDirWatchThread.get();
    if (!journal || journal->Filename().isEmpty() || !journal->FolderError().isEmpty())
        return;
    StopBackgroundThread();
    TSyncState &state = SyncState();
    StoreOwnEvents(state);
    const std::atomic<bool> halt{false};
    CollectScan(state, TWatcherThread::Scan(ScanInput(state, false), halt));
    LoadPending();
    SolveConflicts();
    state.LastScan = Now();
}

void TDocumentSync::SyncLoadTransactionsFrom(const QString &folder)
{
    // Old journal folders are read once, as they are: every event applied, nothing kept.
    QString dir = folder;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    const QFileInfoList entries = QDir(dir).entryInfoList(QStringList{QStringLiteral("*.diff")}, QDir::Files);
    for (const QFileInfo &entry : entries) {
        TScannedFile file;
        QString reason;
        if (TWatcherThread::ReadXMLFile(entry.absoluteFilePath(), file, reason) != TWatcherThread::rrRead) {
            if (!reason.isEmpty())
                Log(QStringLiteral("Skipped %1: %2").arg(entry.absoluteFilePath(), reason));
            continue;
        }
        int last = -1;
        if (const TXMLNode *diff = file.Tree->namedNode(DiffPath))
            LoadDiffElement(*diff, last);
    }
    ForgetConflicts(); // no working copy to rebuild from: the events stand as applied
}
