#include "window/DocumentMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include <algorithm>

#include "DateFormat.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

TDocumentMenus::TDocumentMenus(TDocumentSync &sync, QMenu *file, QMenu *users, QMenu *revert, QObject *parent)
    : QObject(parent), FSync(sync), FUsers(users), FRevert(revert)
{
    if (file)
        connect(file, &QMenu::aboutToShow, this, [this] { DateiClick(); });
    for (QMenu *menu : {users, revert})
        if (menu)
            menu->setEnabled(false);
}

void TDocumentMenus::DateiClick()
{
    DateiClick(QDateTime::currentDateTime());
}

QVector<TRevertFile> TDocumentMenus::RevertFiles() const
{
    QVector<TRevertFile> files;
    for (const TDirWatchThread::TRevertEntry &entry : FSync.DirWatchThread()->RevertibleGenerations())
        files.append({entry.Name, entry.Date, entry.Backup});
    std::stable_sort(files.begin(), files.end(),
                     [](const TRevertFile &a, const TRevertFile &b) { return a.date > b.date; });
    return files;
}

QString TDocumentMenus::RevertCaption(const TRevertFile &file)
{
    return QLatin1Char('-') + file.filename + QStringLiteral("-    ") + DateTimeToStr(file.date)
           + (file.autosave ? QStringLiteral(" *") : QString());
}

void TDocumentMenus::DateiClick(const QDateTime &now)
{
    TDirWatchThread *journal = FSync.DirWatchThread();
    if (FUsers) {
        FUsers->clear();
        auto *group = new QActionGroup(FUsers);
        for (const TDirWatchThread::TPresentUser &user : journal->PresentUsers(now)) {
            auto *item = new QAction(user.Name, group);
            item->setProperty("noTranslate", true);
            item->setCheckable(true);
            item->setChecked(user.Own);
            FUsers->addAction(item);
        }
        FUsers->setEnabled(!FUsers->isEmpty());
    }
    if (FRevert) {
        FRevert->clear();
        for (const TRevertFile &file : RevertFiles()) {
            auto *item = FRevert->addAction(RevertCaption(file));
            item->setProperty("noTranslate", true);
            const QString generation = file.filename;
            connect(item, &QAction::triggered, this, [this, generation] {
                if (OnRevert)
                    OnRevert(generation);
            });
        }
        FRevert->setEnabled(!FRevert->isEmpty());
    }
}
