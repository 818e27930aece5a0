#include "window/InstanceMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QMenu>

#include "InstanceLink.h"

TInstanceMenu::TInstanceMenu(TInstanceLink &link, QMenu *menu, QObject *parent)
    : QObject(parent), FLink(link), FMenu(menu)
{
    connect(&link, &TInstanceLink::lookupReceived, this, &TInstanceMenu::ApplicationEvents1Message);
}

QString TInstanceMenu::FileOfTitle(const QString &title)
{
    if (title.size() <= TitlePrefix.size() || !title.startsWith(TitlePrefix))
        return QString();
    return title.mid(TitlePrefix.size());
}

QList<TInstanceMenu::TEntry> TInstanceMenu::Enumerate()
{
    QList<TEntry> list;
    for (const TInstanceInfo &info : FLink.instances()) {
        const QString file = FileOfTitle(info.title);
        if (!file.isEmpty())
            list.append({file, info.id, info.isSelf});
    }
    return list;
}

void TInstanceMenu::ApplicationEvents1Message()
{
    FWindowList = Enumerate();
    if (!FMenu)
        return;
    FMenu->clear();
    auto *group = new QActionGroup(FMenu);
    for (qsizetype i = FWindowList.size() - 1; i >= 0; --i) {
        const TEntry &entry = FWindowList[i];
        QString shown = entry.FileName;
        auto *item = new QAction(QString::number(FWindowList.size() - i) + QLatin1Char(' ')
                                     + shown.replace(QLatin1Char('&'), QStringLiteral("&&")),
                                 group);
        item->setProperty("noTranslate", true);
        item->setCheckable(true);
        item->setChecked(entry.Own);
        const QString id = entry.Id;
        connect(item, &QAction::triggered, this, [this, id] { SelectOtherZOPClick(id); });
        FMenu->addAction(item);
    }
    FMenu->setEnabled(!FWindowList.isEmpty());
}

bool TInstanceMenu::ActivateOtherInstance(const QString &fileName)
{
    const QString wanted = QFileInfo(fileName).canonicalFilePath();
    if (wanted.isEmpty())
        return false;
    const QList<TEntry> list = Enumerate();
    // The newest instance first.
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        if (it->Own)
            continue;
        if (QFileInfo(it->FileName).canonicalFilePath() == wanted)
            return FLink.bringToFront(it->Id);
    }
    return false;
}

void TInstanceMenu::SelectOtherZOPClick(const QString &id)
{
    FLink.bringToFront(id);
}
