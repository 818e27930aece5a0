// The core's side of the journal: making journals, handing events over, the recycle bin and
// trimming the working folder's history.

#include "core/PlannerCore.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "sync/CoreJournalFormat.h"
#include "sync/DirWatchThread.h"
#include "Helper.h"
#include "Language.h"
#include "Log.h"
#include "sync/NodeEvent.h"
#include "sync/PlannerCoreSyncState.h"
#include "sync/WorkingFolder.h"

namespace {

// What keeps this instance's edits from the others, worst first.
enum TSharingProblem { spNone, spRefused, spFolderUnusable, spStuck, spWriteFailed };

} // namespace

void TPlannerCore::NewDirWatchThread(const QString &fileName, TJournalEvents *previousEvents)
{
    // Another document starts with nothing said about sharing.
    if (FSync && FSync->SharingProblem != spNone && (!FDirWatchThread
                                                    || FDirWatchThread->Filename()
                                                           != QDir::cleanPath(QFileInfo(fileName).absoluteFilePath()))) {
        FSync->SharingProblem = spNone;
        FWindow.SetSharingNotice(QString());
    }
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
    FLastFreeID = std::max(FLastFreeID, FDirWatchThread->OwnIdHighWaterMark());
    ReportSharing();
}

void TPlannerCore::ReportSharing()
{
    const TDirWatchThread *journal = FDirWatchThread.get();
    if (!journal || journal->Filename().isEmpty())
        return;
    TSyncState &state = SyncState();
    int problem = spNone;
    QString detail;
    if (journal->JournalRefused()) {
        problem = spRefused;
        detail = Translate(QStringLiteral("%s is open in another window of the user %s.\n"
                                          "Changes made here are not shared until that window is closed."),
                           {journal->Filename(), UserIdentity()});
    } else if (!journal->FolderError().isEmpty()) {
        problem = spFolderUnusable;
        detail = journal->FolderError();
    } else if (state.Stuck) {
        problem = spStuck;
        detail = state.StuckReason;
    } else if (!state.StoreError.isEmpty()) {
        problem = spWriteFailed;
        detail = state.StoreError;
    }
    if (problem == state.SharingProblem)
        return;
    state.SharingProblem = problem;
    state.SharingDetail = detail;
    if (problem == spNone) {
        Log(QStringLiteral("Changes are shared with the other instances again"));
        FWindow.SetSharingNotice(QString());
        return;
    }
    Log(QStringLiteral("Changes are not shared with the other instances: ") + detail);
    FWindow.SetSharingNotice(Translate(QStringLiteral("Changes are not shared")) + QStringLiteral(": ") + detail);
    const QString text =
        problem == spRefused
            ? detail
            : Translate(QStringLiteral("Changes made here are not shared with other users:\n%s"), {detail});
    // The window that made the journal must not wait inside an idle step for the box.
    if (problem == spRefused)
        FWindow.Ask(text, mtWarning, {mbOK});
    else
        QMetaObject::invokeMethod(this, [this, text] { FWindow.Ask(text, mtWarning, {mbOK}); }, Qt::QueuedConnection);
}

void TPlannerCore::HandOverJournalEvents()
{
    FDirWatchThread->HandOverPendingEvents(TCoreJournalFormat(*this), FSaveFileCompressed);
}

bool TPlannerCore::ForceStorePending()
{
    FDirWatchThread->ForceStorePending(TCoreJournalFormat(*this), FSaveFileCompressed);
    return !FDirWatchThread->HasUnwrittenEvents();
}

bool TPlannerCore::DeleteFile(const QString &fileName)
{
    QString error;
    if (MoveToTrash(fileName, &error))
        return true;
    Log(error);
    return false;
}

void TPlannerCore::ClearHistory()
{
    FMaxHistoryFiles = std::max(FMaxHistoryFiles, 10);
    if (FDirWatchThread->Filename().isEmpty())
        return;
    for (;;) {
        qint64 first = 0;
        qint64 last = 0;
        int count = 0;
        TDateTime newest = 0;
        FDirWatchThread->GetHistoryInfo(first, last, count, newest, ltHistory);
        if (count <= FMaxHistoryFiles)
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
