#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace testsupport {

// A tiny HTTP server on 127.0.0.1 that answers every request with one fixed response,
// or (silent) accepts the connection and never answers.
class TLocalHttpServer : public QObject
{
public:
    bool silent = false;
    QByteArray response;
    QByteArray lastRequest;
    int requests = 0;
    int disconnects = 0;

    bool Start()
    {
        connect(&server, &QTcpServer::newConnection, this, &TLocalHttpServer::Accept);
        return server.listen(QHostAddress::LocalHost, 0);
    }
    QString Url() const { return QStringLiteral("http://127.0.0.1:%1/version.html").arg(server.serverPort()); }

    static QByteArray Page(const QByteArray &body, const QByteArray &status = "200 OK")
    {
        return "HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: "
               + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }

private:
    void Accept()
    {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                ++disconnects;
                socket->deleteLater();
            });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
                *request += socket->readAll();
                if (!request->contains("\r\n\r\n"))
                    return;
                ++requests;
                lastRequest = *request;
                if (silent)
                    return;
                socket->write(response);
                socket->disconnectFromHost();
            });
        }
    }

    QTcpServer server;
};

} // namespace testsupport
