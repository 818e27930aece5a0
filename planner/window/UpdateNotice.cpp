#include "window/UpdateNotice.h"

#include <QAction>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

#include "CheckUpdate.h"
#include "Language.h"
#include "Version.h"

bool IsNewerVersion(const QString &text, const std::array<int, 4> &own)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    bool newer = false;
    for (int i = 0; i < parts.size() && i < 4; ++i) {
        bool ok = false;
        qint64 part = parts[i].trimmed().toLongLong(&ok);
        if (!ok)
            part = 0;
        if (part < own[size_t(i)])
            break;
        if (part > own[size_t(i)])
            newer = true;
    }
    return newer;
}

TUpdateNotice::TUpdateNotice(QAction *item, QObject *parent)
    : QObject(parent), FItem(item), FCheck(new TCheckUpdate(this))
{
    connect(FCheck, &TCheckUpdate::OnFound, this,
            [this](TCheckUpdate *sender) { CheckUpdate1Found(sender->Payload()); });
    if (item) {
        item->setVisible(false);
        connect(item, &QAction::triggered, this, &TUpdateNotice::Updateavailable1Click);
    }
}

TUpdateNotice::~TUpdateNotice() = default;

QString TUpdateNotice::UpdateURL()
{
    if (qEnvironmentVariableIsSet("VELMORA_UPDATE_URL"))
        return qEnvironmentVariable("VELMORA_UPDATE_URL");
    return QStringLiteral("https://velmora.org/version.html");
}

QString TUpdateNotice::DownloadURL()
{
    return QStringLiteral("https://velmora.org/download");
}

void TUpdateNotice::Start()
{
    const QString url = UpdateURL();
    if (url.isEmpty())
        return;
    FCheck->SetURL(url);
    FCheck->Execute();
}

void TUpdateNotice::CheckUpdate1Found(const QString &version)
{
    const std::array<int, 4> own{platform::versionMajor(), platform::versionMinor(), platform::versionRelease(),
                                 platform::versionBuild()};
    if (!FItem || !IsNewerVersion(version, own))
        return;
    QString shown = version;
    FItem->setText(Translate(QStringLiteral("Update available: %s"), {shown.replace(QLatin1Char('&'), QStringLiteral("&&"))}));
    FItem->setVisible(true);
}

void TUpdateNotice::Updateavailable1Click()
{
    QDesktopServices::openUrl(QUrl(DownloadURL()));
}
