// The end of a journal: whatever ends it (closing the window, the program quitting, another
// document opened, a new one started, Save As under another name, a revert), the own events
// never stay behind in a generation that another instance's save closed. Until a save is
// followed, the own events go on into the closed generation; the reload that follows it
// journals again those the new working copy lacks. An instance that leaves before that reload
// would leave them where nobody reads them again, so it follows first (ForceStorePending,
// while the document may stay), or writes them straight into the newer generation (EndJournal,
// when the document goes); what cannot be moved counts as unsaved, so that closing asks. An
// instance that never got so far (killed, its machine down) carries them over when its user
// opens the document again (CarryOverOwnEvents).

#include "sync/DocumentSync.h"

#include <exception>

#include "Helper.h"
#include "Log.h"
#include "core/PlannerCore.h"
#include "sync/CoreJournalFormat.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSyncState.h"
#include "sync/GenerationBase.h"
#include "sync/WorkingFolder.h"

namespace {

qint64 GenerationNumber(const QString &name)
{
    qint64 n = -1;
    return ParseGenerationName(name, n) ? n : -1;
}

// A journal that writes into its working folder: a named document, this instance the one of
// its user that journals it, the folder usable.
bool Journals(const TDirWatchThread *journal)
{
    return journal && !journal->Filename().isEmpty() && !journal->JournalRefused()
           && journal->FolderError().isEmpty();
}

} // namespace

qint64 TDocumentSync::SaveUnderWay() const
{
    const TDirWatchThread &journal = *FDirWatchThread;
    const qint64 current = GenerationNumber(journal.WorkingDir());
    for (const qint64 generation : journal.Generations()) {
        TGenerationBase base;
        if (generation > current && base.Read(journal.GetBaseFileName(QString::number(generation)))
            && base.From == current)
            return generation;
    }
    return -1;
}

bool TDocumentSync::OwnEventsLeftBehind()
{
    const TDirWatchThread &journal = *FDirWatchThread;
    if (journal.Filename().isEmpty() || !journal.isLocked())
        return false;
    // What the save that closed it took along is known from its base record; without one,
    // nothing written here is known to be anywhere else.
    const qint64 current = GenerationNumber(journal.WorkingDir());
    const qint64 save = SaveUnderWay();
    return !CarriedRecords(current, save >= 0 ? save : current + 1).empty() || journal.HasUnwrittenEvents();
}

void TDocumentSync::FollowBeforeLeaving()
{
    FEventsLeftBehind = false;
    if (Journals(FDirWatchThread.get())) {
        StopBackgroundThread();
        const qint64 current = GenerationNumber(FDirWatchThread->WorkingDir());
        qint64 newest = FDirWatchThread->NewestGeneration();
        // A save under way that would leave own events behind is waited for a moment.
        if (newest <= current && FDirWatchThread->isLocked() && OwnEventsLeftBehind()) {
            const qint64 save = SaveUnderWay();
            if (save > current && !FDirWatchThread->HasWorkingCopy(QString::number(save)))
                FollowRivalSave(save);
            newest = FDirWatchThread->NewestGeneration();
        }
        if (newest > GenerationNumber(FDirWatchThread->WorkingDir())) {
            TSyncState &state = SyncState();
            state.NextReloadTry = 0;
            state.NewerGeneration = std::max(state.NewerGeneration, newest);
            FollowOtherSaves(true);
        }
    }
    FEventsLeftBehind = OwnEventsLeftBehind();
}

bool TDocumentSync::ForceStorePending()
{
    FollowBeforeLeaving();
    WritePendingNow();
    FEventsLeftBehind = OwnEventsLeftBehind();
    if (FEventsLeftBehind)
        Log(QStringLiteral("Own events stay in the closed generation %1 of %2 until it can be followed")
                .arg(FDirWatchThread->WorkingDir(), FDirWatchThread->Filename()));
    return !FDirWatchThread->HasUnwrittenEvents() && !FEventsLeftBehind;
}

void TDocumentSync::EndJournal()
{
    TDirWatchThread *journal = FDirWatchThread.get();
    if (FCarrying || !Journals(journal))
        return;
    try {
        StopBackgroundThread();
        HandOverJournalEvents();
        const qint64 current = GenerationNumber(journal->WorkingDir());
        const qint64 newest = journal->NewestGeneration();
        if (newest <= current) {
            if (!journal->StorePending())
                Log(QStringLiteral("Own events of %1 could not be written: %2")
                        .arg(journal->Filename(), journal->StoreError()));
            return;
        }
        std::vector<TDiffRecord> records = CarriedRecords(current, newest);
        if (records.empty() && !journal->HasUnwrittenEvents())
            return;
        // Before the generation changes: the own diff file is read back above.
        if (!journal->SetWorkingDir(QString::number(newest)) || !journal->StoreCarried(records)) {
            Log(QStringLiteral("Own events of generation %1 of %2 could not be carried into generation %3 (%4); "
                               "they are when this user opens the document again")
                    .arg(QString::number(current), journal->Filename(), QString::number(newest),
                         journal->FolderError().isEmpty() ? journal->StoreError() : journal->FolderError()));
            return;
        }
        Log(QStringLiteral("Generation %1 of %2 follows %3 as this journal ends; %4 own events carried over")
                .arg(journal->WorkingDir(), journal->Filename(), QString::number(current),
                     QString::number(records.size())));
    } catch (const std::exception &e) {
        Log(QStringLiteral("Ending the journal of %1: %2").arg(journal->Filename(), QString::fromLocal8Bit(e.what())));
    }
}

void TDocumentSync::CarryOverOwnEvents()
{
    TDirWatchThread *journal = FDirWatchThread.get();
    if (!Journals(journal) || !journal->HoldsIdentityLock())
        return;
    // This user went on in the newest generation already: whatever was left before is there.
    const QString newest = journal->WorkingDir();
    if (!journal->OwnDiffFiles(newest).isEmpty())
        return;
    // Without a record of what the newest generation holds nothing can be told apart: own
    // events of long ago would come back over what others wrote since.
    TGenerationBase base;
    if (!base.Read(journal->GetBaseFileName()))
        return;
    const qint64 target = GenerationNumber(newest);
    qint64 last = -1;
    for (const qint64 generation : journal->Generations())
        if (generation < target && !journal->OwnDiffFiles(QString::number(generation)).isEmpty())
            last = generation;
    if (last < 0)
        return;
    try {
        std::vector<TDiffRecord> records = CarriedRecords(last, target);
        if (records.empty())
            return;
        if (!journal->StoreCarried(records)) {
            Log(QStringLiteral("Own events of generation %1 could not be carried over: %2")
                    .arg(QString::number(last), journal->StoreError()));
            return;
        }
        // Applied by the loading, like an own diff file of an earlier run.
        journal->ForgetOwnDiffFile();
        Log(QStringLiteral("%1 own events that generation %2 of %3 lacks were carried over from generation %4")
                .arg(QString::number(records.size()), newest, journal->Filename(), QString::number(last)));
    } catch (const std::exception &e) {
        Log(QStringLiteral("Carrying over own events of %1: %2").arg(journal->Filename(), QString::fromLocal8Bit(e.what())));
    }
}
