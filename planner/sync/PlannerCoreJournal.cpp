// The core's side of the journal: making journals, handing events over, the recycle bin and
// trimming the working folder's history.

#include "core/PlannerCore.h"

#include <algorithm>

#include "sync/CoreJournalFormat.h"
#include "sync/DirWatchThread.h"
#include "Helper.h"
#include "Language.h"
#include "Log.h"
#include "sync/NodeEvent.h"
#include "sync/WorkingFolder.h"

void TPlannerCore::NewDirWatchThread(const QString &fileName, TJournalEvents *previousEvents)
{
    FDirWatchThread.reset();
    try {
        FDirWatchThread = std::make_unique<TDirWatchThread>(fileName, previousEvents);
    } catch (const std::exception &e) {
        Log(QStringLiteral("Cannot open the working folder: ") + QString::fromLocal8Bit(e.what()));
        FDirWatchThread = std::make_unique<TDirWatchThread>(QString(), previousEvents);
        return;
    }
    if (FDirWatchThread->JournalRefused())
        FWindow.Ask(Translate(QStringLiteral("%s is open in another window of the user %s.\n"
                                             "Changes made here are not shared until that window is closed."),
                              {FDirWatchThread->Filename(), UserIdentity()}),
                    mtWarning, {mbOK});
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
        int first = 0;
        int last = 0;
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
