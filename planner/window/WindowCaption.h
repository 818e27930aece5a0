#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class TInstanceLink;
class TDocumentSync;

// The state of the shared folder as the status bar shows it.
struct TSyncStatus
{
    bool Locked = false;   // a newer save closed the current generation
    int Conflicts = 0;     // conflicting rows waiting to be solved
    int Pending = 0;       // own events not yet written, and other users' files not yet read
    bool Named = false;    // the document has a file name
    QString Generation;    // the current generation folder
    bool Online = true;    // the shared folder is reachable
};
QString SyncStatusText(const TSyncStatus &status);

// The main window's title "ZOP - <document>", which the other instances list in their Window
// menus, and the shared folder's state in the last status panel.
class TWindowCaption : public QObject
{
    Q_OBJECT
public:
    TWindowCaption(QWidget &window, TInstanceLink &link, TDocumentSync &sync, QObject *parent);

    // The title names the file; the other instances hear of it only when it changed.
    void SetCaption(const QString &fileName);
    QString CaptionFileName() const { return FCaptionFileName; }
    // The state of the shared folder, for the status bar (asked on every idle tick).
    TSyncStatus CurrentStatus();
    void UpdateCaption();

private:
    QWidget &FWindow;
    TInstanceLink &FLink;
    TDocumentSync &FSync;
    QString FCaptionFileName;
    bool FCaptionSet = false;
    // Events handed to the scan, counted while no scan ran.
    int FHandedOver = 0;
};
