#include "window/WindowCaption.h"

#include <QWidget>

#include "InstanceLink.h"
#include "core/PlannerCore.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"
#include "window/InstanceMenu.h"

QString SyncStatusText(const TSyncStatus &status)
{
    QString text;
    if (status.Locked)
        text += QStringLiteral(" *LOCKED*");
    if (status.Conflicts > 0)
        text += QStringLiteral(" (%1 CONFLICTS)").arg(status.Conflicts);
    if (status.Pending > 0)
        text += QStringLiteral(" (%1 PENDING)").arg(status.Pending);
    if (status.Named) {
        text += QStringLiteral("  [version %1]").arg(status.Generation);
        text += status.Online ? QStringLiteral("  online") : QStringLiteral("  Warning: OFFLINE");
    } else if (!status.Online) {
        text += QStringLiteral("  Warning: OFFLINE");
    }
    return text;
}

TWindowCaption::TWindowCaption(QWidget &window, TInstanceLink &link, TDocumentSync &sync, QObject *parent)
    : QObject(parent), FWindow(window), FLink(link), FSync(sync)
{
}

void TWindowCaption::SetCaption(const QString &fileName)
{
    if (FCaptionSet && fileName == FCaptionFileName)
        return;
    FCaptionSet = true;
    FCaptionFileName = fileName;
    FWindow.setWindowTitle(TInstanceMenu::TitlePrefix + fileName);
    FLink.setTitle(FWindow.windowTitle());
}

TSyncStatus TWindowCaption::CurrentStatus()
{
    TSyncStatus status;
    TDirWatchThread *journal = FSync.DirWatchThread();
    if (!journal)
        return status;
    status.Named = !journal->Filename().isEmpty();
    status.Locked = journal->isLocked();
    status.Conflicts = int(FSync.Conflicts().size());
    // The events handed to the scan belong to it while it runs.
    if (!FSync.ScanRunning())
        FHandedOver = int(journal->HandedOverEvents().size());
    status.Pending = int(journal->PendingEvents().size()) + FHandedOver + FSync.NumPendingSyncFiles();
    status.Generation = journal->WorkingDir();
    status.Online = FSync.SyncOnline();
    return status;
}

void TWindowCaption::UpdateCaption()
{
    const QString text = SyncStatusText(CurrentStatus());
    if (FSync.Core().IsUpdating())
        return; // the bracket's own text stands until it ends
    FSync.Core().Window().SetStatusText(3, text);
}
