#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class QAction;
class QMenu;

// The recent-files list of the File menu: eight actions "1. <file>" ... "8. <file>", the
// newest on top; entries that hold no file are hidden. Files are told apart by their
// canonical absolute path, letter case included, as the file system does.
class TRecentFiles : public QObject
{
    Q_OBJECT
public:
    static constexpr int Count = 8;

    // The actions become children of `owner` and items of `menu`.
    TRecentFiles(QObject *owner, QMenu *menu);

    // Puts the file on top; a file already listed moves up, a new one pushes the oldest out.
    void AddToLastFiles(const QString &file);
    // The files of the visible entries, the newest first.
    QStringList Files() const;
    // The file of entry k (1..8); empty for a hidden entry.
    QString FileOf(int entry) const;
    QAction *Action(int entry) const { return FActions[size_t(entry - 1)]; }
    QMenu *Menu() const { return FMenu; }

    // The canonical absolute form of a file name (the absolute clean path of a file that is
    // not there).
    static QString Canonical(const QString &file);

    // An entry was chosen: open its file.
    std::function<void(const QString &file)> OnOpen;

private:
    void scrolldown(int from, int to);
    void SetEntry(int entry, const QString &file, bool visible);
    void ActionLastFileExecute(int entry);

    QMenu *FMenu;
    std::array<QAction *, Count> FActions{};
};
