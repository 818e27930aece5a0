#include "DirWatchThread.h"

#include "Language.h"
#include "NodeEvent.h"

TDirWatchThread::TDirWatchThread(const QString &fileName)
    : FFileName(fileName)
{
}

TDirWatchThread::~TDirWatchThread() = default;

void TDirWatchThread::PushDiff(std::unique_ptr<TNodeEvent> event)
{
    if (!event)
        return;
    FChanged = true;
    auto &sameRow = FPendingByID[event->ID()];
    for (TNodeEvent *pending : sameRow)
        if (pending->CanAppend(*event))
            return;
    sameRow.push_back(event.get());
    FPendingEvents.push_back(std::move(event));
}

QString TDirWatchThread::GetPossibleFileName() const
{
    if (!FFileName.isEmpty())
        return FFileName;
    return Translate(QStringLiteral("New Table")) + QStringLiteral(".zop");
}
