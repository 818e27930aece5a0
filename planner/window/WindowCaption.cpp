#include "window/WindowCaption.h"

#include <QWidget>

#include "InstanceLink.h"
#include "core/PlannerCore.h"
#include "sync/DirWatchThread.h"
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

TWindowCaption::TWindowCaption(QWidget &window, TInstanceLink &link, TPlannerCore &core, QObject *parent)
    : QObject(parent), FWindow(window), FLink(link), FCore(core)
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
    TDirWatchThread *journal = FCore.DirWatchThread();
    if (!journal)
        return status;
    status.Named = !journal->Filename().isEmpty();
    status.Locked = journal->isLocked();
    status.Conflicts = int(FCore.Conflicts().size());
    // The events handed to the scan belong to it while it runs.
    if (!FCore.ScanRunning())
        FHandedOver = int(journal->HandedOverEvents().size());
    status.Pending = int(journal->PendingEvents().size()) + FHandedOver + FCore.NumPendingSyncFiles();
    status.Generation = journal->WorkingDir();
    status.Online = FCore.SyncOnline();
    return status;
}

void TWindowCaption::UpdateCaption()
{
    const QString text = SyncStatusText(CurrentStatus());
    if (FCore.IsUpdating())
        return; // the bracket's own text stands until it ends
    FCore.Window().SetStatusText(3, text);
}
