#pragma once

// The document's synchronisation with the other instances that have it open: the journal of
// the own edits and its shared working folder, the scan of the others' diff files on a thread
// of its own, applying what they wrote and solving conflicts, following another instance's save
// (the reload of a newer generation) and the generation steps of its own saves. It reads and
// writes the model only through the core's public API, hears of the core's edits as its
// observer, and reads and writes whole documents through its store (the document file).
//
// Members are defined by concern:
//   DocumentSync.cpp        construction, the observer, the journal and working folder
//   DocumentSyncApply.cpp   applying the others' events, conflicts
//   DocumentSyncScan.cpp    the idle step, the scan and its files, around loading and saving
//   DocumentSyncReload.cpp  following other saves, the move to a newer generation
//   DocumentSyncSave.cpp    the generation steps of a save
//   DocumentSyncEnd.cpp     the end of a journal: no own event left in a closed generation

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

#include "core/DocumentObserver.h"
#include "sync/RowOrder.h"

class IDocumentStore;
class TDirWatchThread;
class TEarlyFileRead;
class TNodeEvent;
class TPlannerCore;
class TXMLNode;
struct TDiffRecord;
struct TNodeData;
struct TScanInput;
struct TScanResult;

class TDocumentSync : public QObject, public IDocumentObserver
{
public:
    // Observes `core` until it goes; the core must outlive it. Starts with the journal of an
    // unnamed document.
    explicit TDocumentSync(TPlannerCore &core, QObject *parent = nullptr);
    ~TDocumentSync() override;

    TDocumentSync(const TDocumentSync &) = delete;
    TDocumentSync &operator=(const TDocumentSync &) = delete;

    TPlannerCore &Core() const { return FCore; }
    TDirWatchThread *DirWatchThread() const { return FDirWatchThread.get(); }
    // The whole document for saves and reloads; it clears itself (nullptr) before it goes.
    void SetStore(IDocumentStore *store) { FStore = store; }

    // ---- the core's edits go into the journal
    void RowCreated(const QString &id, TWhichTable table, int place, const QString &before) override;
    void CellChanged(const QString &id, qint32 changeIndex, TWhichTable table, int column,
                     const QString &text) override;
    void CellsChanged(const QString &id, qint32 changeIndex, TWhichTable table, const QVector<int> &columns,
                      const QStringList &texts) override;
    void RowDeleted(const QString &id, qint32 changeIndex, TWhichTable table) override;
    // Unwritten events of the previous document go without a question: opening asks first
    // and closing writes them.
    void DocumentCleared() override;

    // ---- journal and working folder (DocumentSync.cpp)
    // The journal's events as a list (TNodeEventList of NodeEvent.h).
    using TJournalEvents = std::vector<std::unique_ptr<TNodeEvent>>;
    // Replaces the journal by one for fileName (empty: an unnamed document), which picks or
    // makes the newest generation of the working folder. The old journal goes first, so that
    // it hands over the identity lock. previousEvents, when given, move into the new journal.
    // Tells the user when another instance of the same identity journals the document.
    void NewDirWatchThread(const QString &fileName, TJournalEvents *previousEvents = nullptr);
    // Hands the journal's pending events to its writer, turned into file records now (column
    // captions, date texts). GUI thread, only while no scan runs.
    void HandOverJournalEvents();
    // A lasting line for the status bar while nothing keeps the edits from being shared: the
    // document cannot be saved under its name (write-protected, on a read-only disk). Empty:
    // none.
    void SetProtectionNotice(const QString &text);
    // Writes every pending event now (closing, opening another document, before a setup
    // change). Own events never stay behind in a generation another instance's save closed:
    // a newer generation is followed first (waiting a moment for a save under way), and what
    // cannot be moved there counts as unsaved. True when nothing is left behind.
    bool ForceStorePending();
    // Its first step: a newer generation is followed, and own events left in a closed one
    // count as unsaved.
    void FollowBeforeLeaving();
    // At opening: own events that an instance of this user which ended without following
    // (killed, its machine down) left in an older generation, and that the newest generation
    // lacks, are carried into the newest one, where the loading applies them.
    void CarryOverOwnEvents();
    // Moves a file or folder to the recycle bin; false (logged) when it stays where it is.
    bool DeleteFile(const QString &fileName);
    // Raises the core's FMaxHistoryFiles to at least 10 and moves the oldest generation
    // folders beyond it to the recycle bin; stops at the first one that cannot be moved.
    void ClearHistory();
    // The working copy read beside the loading of the document, for the first scan.
    TEarlyFileRead &EarlyWorkingCopy();

    // ---- changes no journal carries (a palette colour, the setup of an unnamed document):
    // only a save keeps them. Noting one enables Save; a save, or another document, clears it.
    void NoteUnjournalledChange();
    // Whether closing the document, or opening another, must ask first: events not yet
    // written, own events the last ForceStorePending had to leave in a closed generation, or
    // a change no journal carries.
    bool HasUnsavedChanges() const;

    // ---- applying the others' events (DocumentSyncApply.cpp)
    // Applies the events of a diff file's `document/diff` element whose index lies above
    // lastIndex, in index order, without journalling them; a row changed here at least as
    // often as the event says is noted as a conflict. lastIndex becomes the highest index seen.
    void LoadDiffElement(const TXMLNode &diff, int &lastIndex);
    // The same for several files at once: each file's events in index order, the files'
    // events interleaved by their stamps, so that an event comes after those its writer had
    // seen (a fresh opening applies the others' rows in the order they were made).
    struct TDiffSource
    {
        const TXMLNode *Diff = nullptr;
        int *LastIndex = nullptr;
    };
    void LoadDiffElements(const std::vector<TDiffSource> &sources);
    // One event record ("change", "new" or "delete") on row, which may be nil and is updated.
    // A new row goes to `place` when given, else where its record's index says.
    void ApplyDiff(TNodeData *&row, qint32 changeIndex, const QString &id, const TXMLNode &element,
                   const TRowPlace *place = nullptr);
    // A cell text as files hold it, as the table shows it (dates from their storage form).
    QString DisplayText(TWhichTable table, int column, const QString &stored) const;
    // Writes the record's column children into the row (dates from their storage form).
    void SetNodeData(TNodeData *row, const TXMLNode &element);
    // Row ids found in conflict since the last solving, in the order found (may repeat).
    const QStringList &Conflicts() const { return FConflicts; }
    // An own cell a conflict's rebuild may give another user's text of the same moment.
    struct TLostCell
    {
        QString Column;
        QString Winner; // whose text comes last in the rebuild
        QString Text;   // the own text, as the table shows it
        bool Seen = false; // the user saw it before the others' texts came
    };
    // Tells the user of each such cell the rebuilt `row` does not show the own text in: once
    // per cell and user whose text stands, and again when another user's text stands later.
    void TellLostCells(const TNodeData &row, const std::vector<TLostCell> &atStake);
    // Gathers under tree one child per conflicting id holding copies of every record of that
    // id found among the children of the given source elements, in the order given.
    void LoadAllConflictNodes(TXMLNode &tree, const std::vector<const TXMLNode *> &sources) const;
    // Rebuilds every conflicting row from all its records in the order every instance agrees
    // on: by change index, then by user. Pushes no undo entries.
    void SolveConflicts(const std::vector<const TXMLNode *> &sources);
    // The same over every record this instance knows of the current generation: the working
    // copy, the other users' diff files, the own diff file and the own unwritten events.
    void SolveConflicts();

    // ---- the idle step and the scan (DocumentSyncScan.cpp)
    // Applies the events of every file the scan registered and read anew.
    void LoadPending();
    // One synchronisation step of the idle timer (GUI thread): collects a finished scan,
    // applies what it read, solves conflicts and, at most once a second, writes the own
    // events and starts the next scan. Sets the journal's reload request when another
    // instance rewrote the document.
    void UpdatePending();
    // After a document was loaded: a scan on this thread and every diff file of the
    // generation applied.
    void SyncLoadTransactions();
    // Applies every "*.diff" file of a folder once (old journal folders of imports).
    void SyncLoadTransactionsFrom(const QString &folder);
    // Stops a running scan and waits for it; the next one starts a second later at the earliest.
    void StopBackgroundThread();
    // Reads what the other instances wrote into the current generation and applies it now
    // (the save road's first step).
    void CatchUp();
    // The document file was reachable at the last step.
    bool SyncOnline() const;
    // Diff files the last scan found new or changed.
    int NumPendingSyncFiles() const;
    bool ScanRunning() const;

    // ---- following other saves (DocumentSyncReload.cpp)
    // The idle timer's synchronisation step: UpdatePending, which also follows another
    // instance's save.
    void SynchronisationStep();
    // Moves to a newer generation when another instance saved, undoes a save that died;
    // false while the working folder cannot be used. The newer working copy is read on a
    // thread of its own, and the move waits for that read: until the next step, or, with
    // `wait`, here.
    bool FollowOtherSaves(bool wait = false);
    // Another instance saves from the same generation into `generation` right now: waits a
    // little for that save to finish and follows it, or takes its claim away when it died.
    // True when saving once more can succeed.
    bool FollowRivalSave(qint64 generation);
    // When the save elsewhere began that the last SaveGeneration waited for in vain (its
    // claim was neither finished nor given up), as a time of day, with the date when it was
    // not today; empty when none held it back.
    const QString &UnfinishedSaveStarted() const { return FUnfinishedSave; }
    // The document's shared folder, when the last SaveGeneration failed writing there; empty
    // when it failed elsewhere (the document's own folder) or did not fail.
    const QString &RefusedFolder() const { return FRefusedFolder; }
    // How long a closed generation without a successor is waited for before the save that
    // closed it counts as dead and is undone (30 s); a save that meets another one of the
    // same generation waits for it at most this long too (and never more than 10 s).
    static void SetStuckSaveGrace(int milliseconds);

    // ---- the generation steps of a save (DocumentSyncSave.cpp)
    // Saves the document under fileName as the next generation of its working folder: the
    // lock copy closing the current generation, the new working copy and the document file,
    // byte-identical. A save that meets another one of the same generation follows it and
    // saves once more. False when nothing was saved: `error` says why (for the log), `rival`
    // whether another instance's save stood in the way (every edit is journalled then),
    // `errorCode` the system's error number of the failed write (0 when none is known).
    bool SaveGeneration(const QString &fileName, QString &error, bool &rival, int *errorCode = nullptr);
    // Writes one serialised document to a file: a synced temporary file renamed over the
    // target, the previous version then to the recycle bin.
    bool WriteDocumentFile(const QString &fileName, const QByteArray &bytes, QString &error,
                           int *errorCode = nullptr);
    // Called between the steps of a save with the step's name ("claimed", "based", "locked",
    // "working", "document"); tests slow or end a save there.
    std::function<void(const QString &step)> OnSaveStep;

    // ---- per-user document settings (window/SettingsKeeper), kept in the working folder
    // Written before every save (not while a document is being loaded) and before a reload;
    // read again after a reload.
    std::function<void()> OnSaveFileIni;
    std::function<void()> OnLoadFileIni;

    // ---- around the move to a newer generation (the reload): before anything of the
    // document goes, and once the newer one (or, when it cannot be loaded, the old one
    // again) is in place. The window keeps what the user is doing across it.
    std::function<void()> OnBeforeReload;
    std::function<void()> OnAfterReload;
    // The same around rows rebuilt after a conflict, which go and come back under their
    // identities; not while a document loads.
    std::function<void()> OnBeforeRowsRebuilt;
    std::function<void()> OnAfterRowsRebuilt;

private:
    // The scan's state for the current journal; made on first use, reset with the journal.
    struct TSyncState;
    struct TSyncStateDeleter
    {
        void operator()(TSyncState *state) const;
    };
    TSyncState &SyncState();
    void CollectScan(TSyncState &state, TScanResult result);
    void StoreOwnEvents(TSyncState &state);
    void StartScan(TSyncState &state);
    TScanInput ScanInput(const TSyncState &state, bool readAll) const;
    // An own event again, from its file record (dates back to display form).
    std::unique_ptr<TNodeEvent> EventOfRecord(const TDiffRecord &record) const;
    TDiffRecord RecordOfEvent(const TNodeEvent &event) const;
    // Moves to generation `target`, its working copy as read beforehand (FollowOtherSaves) or
    // read now.
    bool SwitchGeneration(qint64 target);
    // True when the current generation is open again.
    bool RecoverStuckSave();
    // The own events of generation `from` (and of generations beside the line of saves) that
    // the working copy of `target` lacks, read back from the own diff files.
    std::vector<TDiffRecord> CarriedRecords(qint64 from, qint64 target);
    // The own events not yet in any file: those handed to the writer, then the pending ones.
    std::vector<TDiffRecord> UnwrittenRecords() const;
    // The save under way from the current generation (its claimed folder), -1 when none.
    qint64 SaveUnderWay() const;
    // Own events in the closed current generation that no newer generation will hold.
    bool OwnEventsLeftBehind();
    // Before a named document's journal ends (another document, a new one, the end of the
    // program): its own events go where the others read them. The model is going, so a
    // newer generation is not loaded: the events it lacks are written straight into it.
    void EndJournal();
    // Writes the pending events into the current generation, as it is.
    void WritePendingNow();
    // Tells the user (once: status bar, message, log) when edits stop being shared, and
    // when they are shared again.
    void ReportSharing();
    // What keeps the edits from the others now (worst first; 0: nothing), and why.
    int SharingProblemNow(QString &detail) const;
    // The generation the row order belongs to, from the journal's.
    void NoteGeneration();
    // No conflict found any more, nor what its cells showed.
    void ForgetConflicts();
    // One event of another instance's diff file (see LoadDiffElements).
    void ApplyEvent(const QString &id, const TXMLNode &element);
    // One try of the save; raises when it fails.
    bool DoSave(const QString &fileName);
    void SaveStep(const QString &step);

    TPlannerCore &FCore;
    IDocumentStore *FStore = nullptr;
    QStringList FConflicts;
    // Per conflicting row: the texts its cells showed before the others' events changed them.
    QHash<QString, QHash<QString, QString>> FConflictTexts;
    // Before the journal: the journal stops the scan through it when it goes.
    std::unique_ptr<TSyncState, TSyncStateDeleter> FSync;
    std::unique_ptr<TDirWatchThread> FDirWatchThread;
    QString FUnfinishedSave;
    bool FUnjournalledChange = false;
    QString FRefusedFolder;
    QString FProtectionNotice;
    // Set by ForceStorePending: own events stay in a closed generation.
    bool FEventsLeftBehind = false;
    // A reload carries the own events itself: the journals it replaces end without EndJournal.
    bool FCarrying = false;
    TRowOrder FRowOrder;
    // Per row id and column: the own text that went and whose text the user was told stands.
    struct TToldLoss
    {
        QString Text;
        QString Winner;
    };
    QHash<QString, TToldLoss> FToldLosses;
};
