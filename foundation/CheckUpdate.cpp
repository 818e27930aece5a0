#include "CheckUpdate.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include "Cp1252.h"

namespace {

// The system's proxy settings, except that this machine is always reached directly.
class TSystemProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        const QString host = query.peerHostName();
        const QHostAddress address(host);
        if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0
            || (!address.isNull() && address.isLoopback()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

// Trim as the version page's authors expect: white space and control characters.
QString trimControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

// One request: collects at most BufferSize bytes of the body, then hands them over. The
// reply is its child, so deleting the check (its parent) aborts the request.
class TCheckUpdate::TDownload : public QObject
{
public:
    TDownload(TCheckUpdate *owner, QNetworkReply *reply, int bufferSize, int timeout)
        : QObject(owner)
        , fOwner(owner)
        , fReply(reply)
        , fBufferSize(bufferSize)
    {
        reply->setParent(this);
        connect(reply, &QNetworkReply::readyRead, this, &TDownload::ReadSome);
        connect(reply, &QNetworkReply::finished, this, &TDownload::Finish);
        // The transfer timeout covers silence; this one a server that trickles forever.
        auto *deadline = new QTimer(this);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, this, &TDownload::Finish);
        deadline->start(2 * timeout);
    }

    bool Done() const { return fDone; }

private:
    void Collect()
    {
        const qint64 wanted = fBufferSize - fBody.size();
        if (wanted > 0)
            fBody += fReply->read(wanted);
    }

    void ReadSome()
    {
        if (fDone)
            return;
        Collect();
        if (fBody.size() >= fBufferSize)
            Finish();
    }

    void Finish()
    {
        if (fDone)
            return;
        fDone = true;
        Collect();
        // An error page is examined like any other answer.
        disconnect(fReply, nullptr, this, nullptr);
        fReply->abort();
        fOwner->Ready(this, fBody);
    }

    TCheckUpdate *fOwner;
    QNetworkReply *fReply;
    int fBufferSize;
    QByteArray fBody;
    bool fDone = false;
};

TCheckUpdate::TCheckUpdate(QObject *owner)
    : QObject(owner)
    , fHTMLTag(QStringLiteral("rev"))
    , fManager(new QNetworkAccessManager(this))
{
    fManager->setProxyFactory(new TSystemProxyFactory);
}

TCheckUpdate::~TCheckUpdate() = default;

QString TCheckUpdate::UserAgent() { return QStringLiteral("Mozilla/2.0 (Updater/brenikSoftware)"); }

QString TCheckUpdate::FindPayload(const QByteArray &body, const QString &tag, int bufferSize)
{
    const QString text = platform::fromCp1252(body.left(bufferSize));
    const QString marker = QStringLiteral("<!--") + tag;
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return QString();
    const qsizetype start = at + marker.size();
    const qsizetype end = text.indexOf(QStringLiteral("-->"), start);
    if (end < 0)
        return QString();
    return trimControls(text.mid(start, end - start));
}

void TCheckUpdate::Execute()
{
    fPayload.clear();
    QNetworkRequest request{QUrl(fURL)};
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    // Always from the server, never into a cache (Qt also sends "Cache-Control: no-cache").
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(fTransferTimeout);
    new TDownload(this, fManager->get(request), fBufferSize, fTransferTimeout);
}

int TCheckUpdate::RunningCount() const
{
    int count = 0;
    for (const QObject *child : children()) {
        if (const auto *download = dynamic_cast<const TDownload *>(child); download && !download->Done())
            ++count;
    }
    return count;
}

void TCheckUpdate::Ready(TDownload *download, const QByteArray &body)
{
    // Reported from a clean stack, so that a handler may delete this object.
    const QString payload = FindPayload(body, fHTMLTag, fBufferSize);
    download->deleteLater();
    QTimer::singleShot(0, this, [this, payload] {
        fPayload = payload;
        Update();
    });
}

void TCheckUpdate::Update()
{
    if (fPayload.isEmpty())
        emit OnNotFound(this);
    else
        emit OnFound(this);
}
