#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>

class QAction;
class TCheckUpdate;

// Whether a version text "a.b.c.d" from the version page names a newer program than `own`
// (major, minor, release, build). The first four parts are compared in order; a part that is
// no number counts 0; missing parts are not compared.
bool IsNewerVersion(const QString &text, const std::array<int, 4> &own);

// The check for a newer version at start and the menu item that tells of one. The page's
// address is the product's, unless VELMORA_UPDATE_URL names another; set but empty, no check
// is made.
class TUpdateNotice : public QObject
{
    Q_OBJECT
public:
    // `item` is the hidden menu item "Update available"; its click opens the download page.
    TUpdateNotice(QAction *item, QObject *parent);
    ~TUpdateNotice() override;

    static QString UpdateURL();
    static QString DownloadURL();
    // Starts the check (nothing when there is no address); the answer arrives later.
    void Start();
    // The page named a version: the item shows when it is newer than this program.
    void CheckUpdate1Found(const QString &version);
    void Updateavailable1Click();
    TCheckUpdate *Check() const { return FCheck; }

private:
    QPointer<QAction> FItem;
    TCheckUpdate *FCheck = nullptr; // child
};
