// The reload road: another instance saved the document, so its newest working copy replaces
// the document here, and the own events nobody has seen yet are applied to it again.

#include "core/PlannerCore.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include "sync/DirWatchThread.h"
#include "Helper.h"
#include "Log.h"
#include "sync/NodeEvent.h"
#include "sync/PlannerCoreSyncState.h"
#include "sync/WatcherThread.h"
#include "sync/WorkingFolder.h"

void TPlannerCore::SynchronisationStep()
{
    UpdatePending();
    if (FDirWatchThread && FDirWatchThread->NeedReload() && SyncOnline())
        ReloadDocument();
}

bool TPlannerCore::ReloadDocument()
{
    TDirWatchThread *journal = FDirWatchThread.get();
    if (!journal || journal->Filename().isEmpty())
        return false;
    TSyncState &state = SyncState();
    if (Now() < state.NextReloadTry)
        return false;
    const QString fileName = journal->Filename();

    // The new working copy must be readable before anything of the document is dropped.
    RecoverInterruptedSave(fileName);
    int first = 0;
    int last = 0;
    int count = 0;
    TDateTime newest = 0;
    journal->GetHistoryInfo(first, last, count, newest, ltHistory);
    const QString working = journal->GetWorkingFileName(QString::number(last));
    TScannedFile probe;
    QString reason;
    if (TWatcherThread::ReadXMLFile(working, probe, reason) != TWatcherThread::rrRead
        || !probe.Tree->namedNode(QStringList{QStringLiteral("document"), QStringLiteral("setup")})) {
        if (!state.ReloadFailureLogged)
            Log(QStringLiteral("Reload postponed, %1 cannot be read: %2")
                    .arg(working, reason.isEmpty() ? QStringLiteral("missing") : reason));
        state.ReloadFailureLogged = true;
        state.NextReloadTry = Now() + 2.0 / 86400.0;
        return false;
    }
    state.ReloadFailureLogged = false;
    probe.Tree.reset();

    StopBackgroundThread();
    BeginUpdate(QString());
    // Every own event that no file holds yet: those handed to the writer first (older),
    // then those still pending.
    std::vector<TDiffRecord> unwritten = std::move(state.Unwritten);
    state.Unwritten.clear();
    TNodeEventList events = journal->TakePendingEvents();
    FWindow.SetBusyCursor(true);
    const int tab = GroupTabIndex();
    // Kept in case the working copy fails to load after all.
    const QByteArray previous = SaveToBuffer(FSaveFileCompressed);

    ActionNewExecute();
    NewDirWatchThread(fileName);
    bool loaded = LoadFrom(FDirWatchThread->GetWorkingFileName());
    if (loaded) {
        FDirWatchThread->SetNeedReload(false);
    } else {
        // The document the user had comes back; the reload is tried again later.
        Log(QStringLiteral("Reload failed; the document stays as it was"));
        QTemporaryFile copy;
        if (copy.open() && copy.write(previous) == previous.size() && copy.flush()) {
            ActionNewExecute();
            NewDirWatchThread(fileName);
            LoadFrom(copy.fileName());
        }
        FDirWatchThread->SetNeedReload(true);
        SyncState().NextReloadTry = Now() + 2.0 / 86400.0;
    }
    for (const TDiffRecord &record : unwritten)
        if (auto event = EventOfRecord(record))
            event->Apply(*this);
    for (const auto &event : events)
        event->Apply(*this);

    FWindow.SetBusyCursor(false);
    EndUpdate();
    if (tab < GroupTabCaptions().size())
        SelectGroupTab(tab);
    return loaded;
}
