// Following other instances' saves: the move to a newer generation (the reload road), the own
// events that move along (the user's undo steps stay as they are), the recovery of a save that
// died half-way, and a save of this instance that meets another one at the same moment.
//
// Nothing journalled is lost and nothing is applied twice. A save writes, beside the new
// working copy, which events of every diff file of the closing generation that working copy
// holds (TGenerationBase). Every instance that moves to the new generation reads its own diff
// files of the closing generation back and journals again exactly its events beyond those
// indices, together with its events not yet written; everything else of its own is in the new
// working copy. So it does not matter how late an instance notices a save (a network share
// may show it many seconds late), or whether it kept writing into the closed generation
// meanwhile: each event ends up exactly once in what the next generation starts from or in
// its author's diff file of that generation.

#include "sync/DocumentSync.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "AtomicFile.h"
#include "Bracket.h"
#include "DateFormat.h"
#include "Language.h"
#include "Helper.h"
#include "Log.h"
#include "core/PlannerCore.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentStore.h"
#include "sync/GenerationBase.h"
#include "sync/NodeEvent.h"
#include "sync/DocumentSyncState.h"
#include "sync/WatcherThread.h"
#include "sync/WorkingFolder.h"
#include "core/UndoRedo.h"

namespace {

int &StuckSaveGraceMs()
{
    static int milliseconds = 30000;
    return milliseconds;
}

// The time a save began, as the messages name it: the time of day, with the date when it was
// not today.
QString SaveTimeText(const QDateTime &time)
{
    const TDateTime value = QDateTimeToDateTime(time);
    return time.date() == QDate::currentDate() ? ShortTimeToStr(value) : DateTimeToShortStr(value);
}

qint64 GenerationOf(const QString &name)
{
    qint64 n = -1;
    return ParseGenerationName(name, n) ? n : -1;
}

// A reload is no action of the user's: their undo and redo steps stay exactly as they were,
// and nothing the reload applies (the working copy, the own events carried over, the others'
// events) becomes a step of its own.
class TKeepUndoSteps
{
public:
    explicit TKeepUndoSteps(TUndoRedo &stack) : FStack(stack), FLists(stack.TakeLists()) { FStack.SetAcceptUndo(false); }
    ~TKeepUndoSteps()
    {
        FStack.SetAcceptUndo(true);
        if (FKeep)
            FStack.RestoreLists(std::move(FLists));
    }
    // The steps name columns by their place: they go when the columns changed under them.
    void Drop() { FKeep = false; }

    TKeepUndoSteps(const TKeepUndoSteps &) = delete;
    TKeepUndoSteps &operator=(const TKeepUndoSteps &) = delete;

private:
    TUndoRedo &FStack;
    TUndoRedo::TLists FLists;
    bool FKeep = true;
};

// The columns of both tables, as undo steps name them.
QStringList ColumnLayout(const TPlannerCore &core)
{
    return core.ColumnLayout(tbTable) + QStringList{QString()} + core.ColumnLayout(tbExclude);
}

enum TAbandonedClaim { acRemoved, acFinished, acFailed };

// Takes away the folder a save claimed and never finished. It is first moved out of the way
// in one step, so a slow saver cannot finish into it afterwards; should it have finished just
// now, it is put back.
TAbandonedClaim AbandonClaim(const TDirWatchThread &journal, qint64 generation)
{
    const QString name = QString::number(generation);
    const QString folder = journal.GetTmpDirectory() + name;
    const QString aside = journal.GetTmpDirectory() + QStringLiteral(".abandoned-") + name + QLatin1Char('-')
                          + QString::number(QRandomGenerator::global()->generate(), 36);
    if (!QDir().rename(folder, aside))
        return acFailed;
    if (QFileInfo::exists(aside + QLatin1Char('/') + QFileInfo(journal.Filename()).fileName())) {
        QDir().rename(aside, folder);
        return acFinished;
    }
    QDir(aside).removeRecursively();
    return acRemoved;
}

// The events of one diff file whose index lies above `limit`, in index order.
std::vector<TDiffRecord> RecordsAbove(const TXMLNode *diff, int limit)
{
    std::vector<std::pair<int, TDiffRecord>> found;
    if (diff)
        for (const auto &element : diff->Nodes()) {
            const int index = TXMLAttribute::ToIntOf(element->namedAttribute(QStringLiteral("index")), -1);
            if (index > limit)
                found.emplace_back(index, TDiffRecord::FromElement(*element));
        }
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<TDiffRecord> records;
    for (auto &entry : found)
        records.push_back(std::move(entry.second));
    return records;
}

// Whether generation `own` is on the line of saves the working copy of `target` was built
// from. A missing base record breaks the line: what is unknown is journalled again rather
// than lost.
bool OnLineOf(const TDirWatchThread &journal, qint64 target, qint64 own)
{
    qint64 generation = target;
    while (generation > own) {
        TGenerationBase base;
        if (!base.Read(journal.GetBaseFileName(QString::number(generation))) || base.From >= generation)
            return false;
        generation = base.From;
    }
    return generation == own;
}

} // namespace

void TDocumentSync::SetStuckSaveGrace(int milliseconds)
{
    StuckSaveGraceMs() = std::max(0, milliseconds);
}

void TDocumentSync::SynchronisationStep()
{
    UpdatePending();
}

bool TDocumentSync::FollowOtherSaves(bool wait)
{
    TDirWatchThread *journal = FDirWatchThread.get();
    TSyncState &state = SyncState();
    if (!journal->FolderError().isEmpty()) {
        // Tried again now and then, quietly; the user has been told.
        if (Now() >= state.NextFolderTry) {
            state.NextFolderTry = Now() + 2.0 / 86400.0;
            journal->RetryWorkingDir();
        }
        if (!journal->FolderError().isEmpty())
            return false;
    }
    if (GetFileTime(journal->Filename()) != journal->FileTime())
        journal->SetNeedReload(true);
    const qint64 current = GenerationOf(journal->WorkingDir());
    const bool locked = journal->isLocked();
    if (!locked && !journal->NeedReload() && state.NewerGeneration <= current) {
        state.LockSeenAt = -1;
        state.LockTraces.Reset();
        state.Stuck = false;
        return true;
    }
    // The folder is looked at only when a move is due: the scan looks for a newer generation
    // every second, asking for the next numbers by name, as a share may list them late.
    if (journal->NeedReload() || state.NewerGeneration > current) {
        // Until the move succeeds the own events go on into the current generation, closed
        // or not, so none of them waits in memory.
        if (Now() < state.NextReloadTry)
            return true;
        const qint64 newest = journal->NewestGeneration();
        if (newest > current) {
            // A whole document: read beside the window's work, which goes on meanwhile.
            const QString working = journal->GetWorkingFileName(QString::number(newest));
            if (!state.NewerWorkingCopy.Started(working))
                state.NewerWorkingCopy.Start(working);
            if (wait || state.NewerWorkingCopy.Ready())
                SwitchGeneration(newest);
            return true;
        }
    }
    // No newer generation (yet): a touched or restored document file brings nothing to
    // load, and a later look at the folder finds a save that is not visible yet.
    if (journal->NeedReload())
        journal->SetNeedReload(false);
    state.NewerGeneration = -1;
    if (!locked) {
        state.LockSeenAt = -1;
        state.LockTraces.Reset();
        state.Stuck = false;
        return true;
    }
    // A save under way: journalling goes on meanwhile. One that died is undone.
    RecoverStuckSave();
    return true;
}

bool TDocumentSync::RecoverStuckSave()
{
    TDirWatchThread &journal = *FDirWatchThread;
    TSyncState &state = SyncState();
    const QString locked = journal.GetLockedFileName();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (state.LockSeenAt < 0)
        state.LockSeenAt = now;

    const TFileStamp stamp = FileStampInView(locked);
    if (stamp.Size < 0)
        return true;
    const qint64 quiet = state.QuietFor(locked, stamp);
    // A whole document: read once per version, not on every step.
    if (!(stamp == state.LockStamp)) {
        TScannedFile lockCopy;
        QString reason;
        const TWatcherThread::TReadResult read = TWatcherThread::ReadXMLFile(locked, lockCopy, reason);
        if (read == TWatcherThread::rrMissing)
            return true;
        state.LockStamp = stamp;
        // A damaged lock copy is trusted by nobody: it is set aside at once. Should a save
        // still come, its working copy and base record say all that is needed.
        state.LockDamaged =
            read != TWatcherThread::rrRead
            || !lockCopy.Tree->namedNode(QStringList{QStringLiteral("document"), QStringLiteral("setup")});
        state.LockReason = reason;
    }
    const bool damaged = state.LockDamaged;
    const QString reason = state.LockReason;
    const qint64 current = GenerationOf(journal.WorkingDir());
    // The folder is listed once a step at most, when something here needs the generations.
    std::optional<std::vector<qint64>> listed;
    const auto generations = [&]() -> const std::vector<qint64> & {
        if (!listed)
            listed = journal.Generations();
        return *listed;
    };
    if (!damaged) {
        // The save is given a grace time, unless its process is known to be gone; that is
        // asked about once a second, as often as the scan looks.
        if (LocalClockMs() >= state.NextSaverCheck) {
            state.NextSaverCheck = LocalClockMs() + 1000;
            state.SaverGone = false;
            for (const qint64 generation : generations()) {
                TGenerationBase base;
                if (generation > current && base.Read(journal.GetBaseFileName(QString::number(generation)))
                    && base.From == current && base.SaverGone())
                    state.SaverGone = true;
            }
        }
        // The grace time runs from the save's last trace by the share's clock, so a save
        // that died long ago elsewhere is undone at once; where that clock cannot be read,
        // from when the lock copy was first seen as it is.
        const qint64 traced = state.LockTraces.Quiet(journal.GetTmpDirectory(), [&] {
            QStringList traces{locked};
            for (const qint64 generation : generations())
                if (generation > current && !journal.HasWorkingCopy(QString::number(generation)))
                    traces << journal.GetTmpDirectory() + QString::number(generation);
            return traces;
        }, StuckSaveGraceMs());
        if ((traced >= 0 ? traced : quiet) < StuckSaveGraceMs() && !state.SaverGone)
            return false;
    }

    // The save never finished: its claimed folders go, and the generation opens again.
    for (const qint64 generation : generations()) {
        if (generation <= current || QFileInfo::exists(journal.GetWorkingFileName(QString::number(generation))))
            continue;
        if (AbandonClaim(journal, generation) == acFinished)
            return true; // a finished save after all: the next step follows it
    }
    const QString setAside = locked + (damaged ? QStringLiteral(".damaged") : QStringLiteral(".abandoned"));
    QFile::remove(setAside);
    if (!QFile::rename(locked, setAside) && QFileInfo::exists(locked)) {
        if (!state.Stuck)
            Log(QStringLiteral("Cannot set the lock copy %1 aside").arg(locked));
        state.Stuck = true;
        state.StuckReason = QStringLiteral("the lock copy \"%1\" cannot be set aside").arg(locked);
        return false;
    }
    Log(damaged ? QStringLiteral("A damaged lock copy was set aside: %1 (%2)").arg(locked, reason)
                : QStringLiteral("A save of generation %1 that did not finish was undone; journalling goes on")
                      .arg(journal.WorkingDir()));
    state.LockSeenAt = -1;
    state.LockTraces.Reset();
    state.Stuck = false;
    return true;
}

bool TDocumentSync::FollowRivalSave(qint64 generation)
{
    const QString name = QString::number(generation);
    const QString base = FDirWatchThread->GetBaseFileName(name);
    Log(QStringLiteral("Another instance saves generation %1 at the same moment; following it").arg(name));
    // A live save is waited for as long as the rest of it (its lock copy and working copy)
    // may take on a slow share, but not longer than a user should look at the busy cursor.
    // One that is older than the grace time, or whose process is gone, has died.
    const qint64 limit = std::min(StuckSaveGraceMs(), 10000);
    QElapsedTimer waited;
    waited.start();
    TGenerationBase theirs;
    bool known = false;
    TFileStamp read;
    TSaveTraceClock traces;
    QDateTime started;
    // Said while waiting, and taken back when the wait is over.
    struct TWaitNotice
    {
        IPlannerWindow &Window;
        bool Shown = false;
        ~TWaitNotice()
        {
            if (Shown)
                Window.SetStatusText(3, QString());
        }
    } notice{FCore.Window()};
    for (;;) {
        TDirWatchThread &journal = *FDirWatchThread;
        if (journal.HasWorkingCopy(name))
            break;
        if (!FolderExistsInView(journal.GetTmpDirectory() + name))
            return true; // it gave way itself
        const TFileStamp stamp = FileStampInView(base);
        if (!(stamp == read)) {
            read = stamp;
            known = theirs.Read(base);
        }
        // Timed by the share's clock since the save last wrote anything (its claim, the lock
        // copy, the working copy under way): a claim left by a save that died elsewhere goes
        // at the first look. Where that clock cannot be read, from when the claim was first
        // seen as it is, across tries of the save.
        const qint64 seen = SyncState().QuietFor(base, stamp);
        const qint64 traced = traces.Quiet(journal.GetTmpDirectory(), [&] {
            return QStringList{journal.GetTmpDirectory() + name, journal.GetLockedFileName()};
        }, StuckSaveGraceMs());
        const qint64 quiet = traced >= 0 ? traced : seen;
        if ((known && theirs.SaverGone()) || quiet >= StuckSaveGraceMs()) {
            // Its claim would hold every later save of this generation back.
            const TAbandonedClaim abandoned = AbandonClaim(journal, generation);
            if (abandoned == acRemoved)
                Log(QStringLiteral("A save into generation %1 that did not finish was undone").arg(name));
            if (abandoned != acFinished)
                return abandoned == acRemoved;
            break;
        }
        if (!started.isValid()) {
            // When the claim was made, by the share's clock where it can be read.
            const qint64 age = ShareAgeMs(journal.GetTmpDirectory(), NewestWriteTime({base}));
            started = QDateTime::currentDateTime().addMSecs(-(age >= 0 ? age : quiet));
        }
        if (waited.elapsed() >= limit) {
            FUnfinishedSave = SaveTimeText(started);
            return false;
        }
        if (!notice.Shown) {
            notice.Shown = true;
            const QString text = Translate(QStringLiteral("A save started elsewhere at %s has not finished; waiting..."),
                                           {SaveTimeText(started)});
            Log(text);
            FCore.Window().SetStatusText(3, text);
            // Shown now: the wait keeps the event loop from painting it.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        }
        QThread::msleep(20);
    }
    // Its generation is the document now: this instance moves there, its own events with it.
    SyncState().NextReloadTry = 0;
    SyncState().NewerGeneration = std::max(SyncState().NewerGeneration, generation);
    FollowOtherSaves(true);
    qint64 current = -1;
    ParseGenerationName(FDirWatchThread->WorkingDir(), current);
    return current >= generation;
}

std::vector<TDiffRecord> TDocumentSync::CarriedRecords(qint64 current, qint64 target)
{
    TDirWatchThread &journal = *FDirWatchThread;
    TGenerationBase base;
    const bool known = base.Read(journal.GetBaseFileName(QString::number(target)));
    if (!known && journal.HasWorkingCopy(QString::number(target)))
        Log(QStringLiteral("Generation %1 has no base record: every own event of generation %2 is journalled again")
                .arg(QString::number(target), QString::number(current)));

    // Which own diff files to read back, and from which index on: the generation the new
    // working copy was made from, beyond what it holds; generations beside that line (a
    // save that was given up, an older one this instance skipped) as far as no working
    // copy on the line holds them.
    std::vector<std::pair<qint64, std::map<QString, int>>> sources;
    if (!known) {
        sources.push_back({current, {}});
    } else {
        const qint64 from = base.From;
        const std::vector<qint64> generations = journal.Generations();
        for (const qint64 generation : generations) {
            if (generation < std::min(from, current) || generation >= target)
                continue;
            if (generation == from) {
                sources.push_back({generation, base.Applied});
                continue;
            }
            std::map<QString, int> applied;
            if (generation < from)
                for (const qint64 later : generations) {
                    TGenerationBase next;
                    if (later > generation && later <= from
                        && next.Read(journal.GetBaseFileName(QString::number(later))) && next.From == generation) {
                        applied = next.Applied;
                        break;
                    }
                }
            sources.push_back({generation, applied});
        }
    }

    // Own events only the working copy of an own save holds, when the line followed passes
    // that save by; they are older than every own event written in their generation.
    std::map<qint64, std::vector<TDiffRecord>> savedOnly;
    for (const auto &[generation, held] : SyncState().SavedOnly)
        if (!OnLineOf(journal, target, generation))
            savedOnly[generation].insert(savedOnly[generation].end(), held.begin(), held.end());
    std::vector<TDiffRecord> records;
    for (auto it = savedOnly.begin(); it != savedOnly.end();) {
        const bool readBack = std::any_of(sources.begin(), sources.end(),
                                          [&](const auto &source) { return source.first == it->first; });
        if (readBack) {
            ++it;
            continue;
        }
        records.insert(records.end(), it->second.begin(), it->second.end());
        it = savedOnly.erase(it);
    }
    for (const auto &[generation, applied] : sources) {
        const QString dir = QString::number(generation);
        if (const auto held = savedOnly.find(generation); held != savedOnly.end())
            records.insert(records.end(), held->second.begin(), held->second.end());
        for (const QString &name : journal.OwnDiffFiles(dir)) {
            const QString path = journal.GetTmpDirectory() + dir + QLatin1Char('/') + name;
            const auto limit = applied.find(name);
            TScannedFile file;
            QString reason;
            const TXMLNode *diff = nullptr;
            if (TWatcherThread::ReadXMLFile(path, file, reason) == TWatcherThread::rrRead) {
                diff = file.Tree->namedNode(QStringList{QStringLiteral("document"), QStringLiteral("diff")});
            } else if (path == journal.DiffFile() && journal.XMLFiles().count(path)) {
                // What this instance wrote, as it keeps it.
                diff = journal.XMLFiles().at(path)->xml().namedNode(
                    QStringList{QStringLiteral("document"), QStringLiteral("diff")});
            } else {
                Log(QStringLiteral("Own diff file %1 cannot be read back: %2").arg(path, reason));
            }
            for (TDiffRecord &record : RecordsAbove(diff, limit == applied.end() ? -1 : limit->second))
                records.push_back(std::move(record));
        }
    }
    return records;
}

std::vector<TDiffRecord> TDocumentSync::UnwrittenRecords() const
{
    std::vector<TDiffRecord> records;
    for (const auto &event : FDirWatchThread->HandedOverEvents())
        records.push_back(RecordOfEvent(*event));
    for (const auto &event : FDirWatchThread->PendingEvents())
        records.push_back(RecordOfEvent(*event));
    return records;
}

bool TDocumentSync::SwitchGeneration(qint64 target)
{
    // Nothing to load the newer generation with: the document stays as it is.
    if (!FStore)
        return false;
    TDirWatchThread *journal = FDirWatchThread.get();
    TSyncState &state = SyncState();
    const QString fileName = journal->Filename();
    const QString previousGeneration = journal->WorkingDir();

    // The new working copy must be readable before anything of the document is dropped. It
    // is read once: the document is made from that tree, and the scan's copy (for rebuilding
    // rows in conflict) is parsed from the same bytes beside it.
    const QString working = journal->GetWorkingFileName(QString::number(target));
    const auto usable = [](const TEarlyFileRead::TRead &read) {
        return read.Result == TWatcherThread::rrRead
               && read.File.Tree->namedNode(QStringList{QStringLiteral("document"), QStringLiteral("setup")});
    };
    TEarlyFileRead::TRead probe;
    std::optional<TEarlyFileRead::TRead> early = state.NewerWorkingCopy.Take(working);
    // That read began a while ago: when it failed, it says nothing of a working copy that
    // changed since (one a share delivered late, or put right after damage), which is read
    // again, so that a user leaving right then follows the save.
    if (early && (usable(*early) || FileStampInView(working) == early->File.Stamp))
        probe = std::move(*early);
    else
        probe.Result = TWatcherThread::ReadXMLFile(working, probe.File, probe.Reason, TWatcherThread::rwCached,
                                                   &probe.Bytes);
    const QString &reason = probe.Reason;
    if (!usable(probe)) {
        if (!state.ReloadFailureLogged)
            Log(QStringLiteral("Reload postponed, %1 cannot be read: %2")
                    .arg(working, reason.isEmpty() ? QStringLiteral("missing") : reason));
        state.ReloadFailureLogged = true;
        state.NextReloadTry = Now() + 2.0 / 86400.0;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (state.LockSeenAt < 0)
            state.LockSeenAt = now;
        if (now - state.LockSeenAt >= StuckSaveGraceMs()) {
            state.Stuck = true;
            state.StuckReason = QStringLiteral("the working copy \"%1\" cannot be read").arg(working);
        }
        return false;
    }
    state.ReloadFailureLogged = false;

    // Every bracket opened on the way closes on every way out: a reload that throws leaves
    // no field held, no update open and no busy cursor behind.
    TBracket reload([this] {
        if (OnBeforeReload)
            OnBeforeReload();
    }, [this] {
        if (OnAfterReload)
            OnAfterReload();
    });
    StopBackgroundThread();
    if (OnSaveFileIni)
        OnSaveFileIni();
    TKeepUndoSteps keepUndo(FCore.UndoStack());
    const QStringList columns = ColumnLayout(FCore);
    TBracket update([this] { FCore.BeginUpdate(QString()); }, [this] { FCore.EndUpdate(); });
    std::vector<TDiffRecord> unwritten = UnwrittenRecords();
    std::vector<TDiffRecord> carried = CarriedRecords(GenerationOf(previousGeneration), target);
    const size_t written = carried.size();
    carried.insert(carried.end(), unwritten.begin(), unwritten.end());
    const qint32 lastFreeID = FCore.FLastFreeID;
    TBracket busy([this] { FCore.Window().SetBusyCursor(true); },
                  [this] { FCore.Window().SetBusyCursor(false); });
    const int tab = FCore.GroupTabIndex();
    // Kept in case the working copy fails to load after all (plain: quicker to make).
    const QByteArray previous = FStore->SaveToBuffer(false);
    const bool compressed = FCore.FSaveFileCompressed;
    // Colours chosen here and not yet saved stay the user's; the next save writes them.
    const bool ownPalettes = FUnjournalledChange;
    const QVector<TColor> colors = FCore.FColors;
    const QVector<TColor> holidayColors = FCore.FHolidayColors;

    // In the new working copy or journalled again below; kept should the load fail.
    auto savedOnly = std::move(state.SavedOnly);
    state.SavedOnly.clear();

    // The journals replaced on the way end without carrying anything: this road does.
    TBracket carrying([this] { FCarrying = true; }, [this] { FCarrying = false; });
    FCore.ActionNewExecute();
    NewDirWatchThread(fileName);
    // A save made meanwhile is followed by the next step, from this one.
    FDirWatchThread->SetWorkingDir(QString::number(target));
    bool loaded = false;
    try {
        SyncState().EarlyWorkingCopy.StartParse(working, probe.Bytes, probe.File.Stamp);
        loaded = FStore->LoadFrom(working, std::move(probe.File.Tree), probe.File.Compressed);
    } catch (const std::exception &e) {
        Log(QStringLiteral("Loading %1 failed: %2")
                .arg(working, QString::fromLocal8Bit(e.what())));
    }
    if (loaded) {
        FDirWatchThread->SetNeedReload(false);
        if (ColumnLayout(FCore) != columns)
            keepUndo.Drop();
        FCore.FLastFreeID = std::max(FCore.FLastFreeID, lastFreeID);
        if (ownPalettes) {
            FCore.FColors = colors;
            FCore.FHolidayColors = holidayColors;
        }
        // The own events the new working copy lacks are journalled again, into the new
        // generation, through the write path (recording no undo step).
        for (const TDiffRecord &record : carried)
            if (auto event = EventOfRecord(record))
                event->Apply(FCore);
        SyncLoadTransactions();
        // The own diff file of the new generation tells a later opening that nothing of the
        // generation left is waiting to be carried over, also when no event came of it.
        if (!carried.empty()) {
            HandOverJournalEvents();
            FDirWatchThread->StoreCarried({});
        }
        Log(QStringLiteral("Generation %1 follows %2; %3 own events journalled again (%4 not yet written)")
                .arg(FDirWatchThread->WorkingDir(), previousGeneration, QString::number(carried.size()),
                     QString::number(carried.size() - written)));
    } else {
        // The document the user had comes back, in its old generation with its own events
        // as they were; the move is tried again later.
        Log(QStringLiteral("Reload failed; the document stays as it was"));
        QTemporaryFile copy;
        FCore.ActionNewExecute();
        NewDirWatchThread(fileName);
        FDirWatchThread->SetWorkingDir(previousGeneration);
        if (copy.open() && copy.write(previous) == previous.size() && copy.flush())
            FStore->LoadFrom(copy.fileName());
        FCore.FSaveFileCompressed = compressed;
        FCore.FLastFreeID = std::max(FCore.FLastFreeID, lastFreeID);
        // The unwritten ones back into the journal, unapplied: the restored document holds
        // them already, and the written ones are still in the old generation's files.
        for (const TDiffRecord &record : unwritten)
            if (auto event = EventOfRecord(record))
                FDirWatchThread->PushDiff(std::move(event));
        SyncState().NextReloadTry = Now() + 2.0 / 86400.0;
        SyncState().SavedOnly = std::move(savedOnly);
    }
    carrying.Close();
    if (ownPalettes)
        NoteUnjournalledChange();
    busy.Close();
    update.Close();
    if (tab < FCore.GroupTabCaptions().size())
        FCore.SelectGroupTab(tab);
    if (OnLoadFileIni)
        OnLoadFileIni();
    reload.Close();
    return loaded;
}
