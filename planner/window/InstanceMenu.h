#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QMenu;
class TInstanceLink;

// The Window menu: one item per running instance of the program with its document, this
// one checked; choosing another brings that window to the front. Rebuilt whenever an
// instance changes its title or ends.
class TInstanceMenu : public QObject
{
    Q_OBJECT
public:
    static inline const QString TitlePrefix = QStringLiteral("ZOP - ");

    struct TEntry
    {
        QString FileName; // the title after "ZOP - "
        QString Id;       // the instance
        bool Own = false;
    };

    TInstanceMenu(TInstanceLink &link, QMenu *menu, QObject *parent);

    // The document a window title names; empty for a title that names none.
    static QString FileOfTitle(const QString &title);
    // Rebuilds the window list and the menu.
    void ApplicationEvents1Message();
    const QList<TEntry> &WindowList() const { return FWindowList; }
    // When another running instance shows `fileName` (the same file, by canonical path and
    // letter case), its window comes to the front and the result is true.
    bool ActivateOtherInstance(const QString &fileName);
    // Restores the chosen instance's window and brings it to the front.
    void SelectOtherZOPClick(const QString &id);

private:
    QList<TEntry> Enumerate();

    TInstanceLink &FLink;
    QPointer<QMenu> FMenu;
    QList<TEntry> FWindowList;
};
