#include "window/RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

TRecentFiles::TRecentFiles(QObject *owner, QMenu *menu)
    : QObject(owner), FMenu(menu)
{
    for (int k = 1; k <= Count; ++k) {
        auto *action = new QAction(owner);
        action->setObjectName(QStringLiteral("ActionLastFile%1").arg(k));
        // The captions are file names: no language file may change them.
        action->setProperty("noTranslate", true);
        action->setVisible(false);
        connect(action, &QAction::triggered, this, [this, k] { ActionLastFileExecute(k); });
        FActions[size_t(k - 1)] = action;
        if (menu)
            menu->addAction(action);
    }
    if (menu)
        menu->setEnabled(false);
}

QString TRecentFiles::Canonical(const QString &file)
{
    const QFileInfo info(file);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

void TRecentFiles::AddToLastFiles(const QString &file)
{
    if (file.isEmpty())
        return;
    const QString name = Canonical(file);
    if (FileOf(1) == name)
        return;
    int from = Count;
    for (int k = Count - 1; k >= 2; --k) {
        if (FileOf(k) == name) {
            from = k;
            break;
        }
    }
    scrolldown(from, 2);
    SetEntry(1, name, true);
    if (FMenu)
        FMenu->setEnabled(true);
}

void TRecentFiles::scrolldown(int from, int to)
{
    for (int k = from; k >= to; --k)
        SetEntry(k, FileOf(k - 1), Action(k - 1)->isVisible());
}

void TRecentFiles::SetEntry(int entry, const QString &file, bool visible)
{
    QAction *action = Action(entry);
    action->setData(file);
    QString shown = file;
    // A "&" in a file name is no shortcut marker.
    action->setText(QString::number(entry) + QStringLiteral(". ") + shown.replace(QLatin1Char('&'), QStringLiteral("&&")));
    action->setVisible(visible && !file.isEmpty());
}

QString TRecentFiles::FileOf(int entry) const
{
    if (entry < 1 || entry > Count)
        return QString();
    const QAction *action = Action(entry);
    return action->isVisible() ? action->data().toString() : QString();
}

QStringList TRecentFiles::Files() const
{
    QStringList files;
    for (int k = 1; k <= Count; ++k)
        if (!FileOf(k).isEmpty())
            files.append(FileOf(k));
    return files;
}

void TRecentFiles::ActionLastFileExecute(int entry)
{
    const QString file = FileOf(entry);
    if (!file.isEmpty() && OnOpen)
        OnOpen(file);
}
