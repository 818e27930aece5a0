#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;

// Asks a web page whether a newer version of the program exists: one HTTP GET, then the
// first BufferSize bytes of the answer are searched for an HTML comment that starts with
// "<!--" directly followed by HTMLTag ("rev"); the text up to the next "-->", trimmed, is
// the payload. OnFound or OnNotFound then fires on the GUI thread. Failures (no network,
// HTTP errors, timeouts) are not reported: the payload stays empty and OnNotFound fires.
//
// The request is asynchronous (no thread of its own). It bypasses every cache, gives up
// after TransferTimeout ms without data (and after twice that in all), and belongs to
// this object: destroying it, as closing the program does, cancels a running request and
// no event fires.
class TCheckUpdate : public QObject
{
    Q_OBJECT

public:
    explicit TCheckUpdate(QObject *owner = nullptr);
    ~TCheckUpdate() override;

    QString URL() const { return fURL; }
    void SetURL(const QString &url) { fURL = url; }
    QString HTMLTag() const { return fHTMLTag; }
    void SetHTMLTag(const QString &tag) { fHTMLTag = tag; }
    int BufferSize() const { return fBufferSize; }
    void SetBufferSize(int size) { fBufferSize = size > 0 ? size : 1; }
    int TransferTimeout() const { return fTransferTimeout; }
    void SetTransferTimeout(int ms) { fTransferTimeout = ms > 0 ? ms : 1; }
    // The text found by the last finished check; empty when none.
    QString Payload() const { return fPayload; }

    // Starts one check and returns at once; each call starts another.
    void Execute();
    // Checks that have not finished yet.
    int RunningCount() const;

    static QString UserAgent();
    // The payload in the first bufferSize bytes of body (read as Windows-1252), or empty.
    static QString FindPayload(const QByteArray &body, const QString &tag, int bufferSize);

signals:
    void OnFound(TCheckUpdate *sender);
    void OnNotFound(TCheckUpdate *sender);

protected:
    // Fires OnNotFound when the payload is empty, else OnFound.
    void Update();

private:
    class TDownload;
    friend class TDownload;
    void Ready(TDownload *download, const QByteArray &body);

    QString fURL;
    QString fHTMLTag;
    int fBufferSize = 1024;
    int fTransferTimeout = 15000;
    QString fPayload;
    QNetworkAccessManager *fManager; // child of this object
};
