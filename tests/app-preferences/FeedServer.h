#pragma once
#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>

// An HTTP server on the loopback interface that answers every request with one scripted
// reply: a status line, headers and body, or silence, or a closed connection.
class FeedServer : public QObject {
public:
    enum class Manner { answer, stayQuiet, hangUp, trickle };

    FeedServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++connections;
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
    }

    QUrl url(const QString& path = QStringLiteral("/appcast.xml")) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }

    void reply(QByteArray status, QByteArray body, QByteArray extraHeaders = {}) {
        status_ = std::move(status);
        body_ = std::move(body);
        extraHeaders_ = std::move(extraHeaders);
        manner = Manner::answer;
    }

    void close() { server_.close(); }

    Manner manner = Manner::answer;
    bool sendsLength = true;
    int connections = 0;
    QByteArray lastRequest;

private:
    void serve(QTcpSocket* socket) {
        QByteArray& seen = pending_[socket];
        seen += socket->readAll();
        if (!seen.contains("\r\n\r\n")) return;
        lastRequest = seen.left(seen.indexOf("\r\n\r\n"));
        seen.clear();
        switch (manner) {
        case Manner::stayQuiet:
            return;
        case Manner::hangUp:
            socket->disconnectFromHost();
            return;
        case Manner::trickle:
            // Headers promise a body that arrives a byte at a time, forever.
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\nContent-Length: 100000\r\n\r\n");
            startTimer(50);
            trickling_ = socket;
            return;
        case Manner::answer:
            break;
        }
        const QByteArray length =
            sendsLength ? "Content-Length: " + QByteArray::number(body_.size()) + "\r\n" : QByteArray();
        socket->write("HTTP/1.1 " + status_ + "\r\nContent-Type: application/rss+xml\r\n" + length + extraHeaders_ +
                      "Connection: close\r\n\r\n" + body_);
        socket->disconnectFromHost();
    }

    void timerEvent(QTimerEvent*) override {
        if (trickling_ && trickling_->state() == QAbstractSocket::ConnectedState) trickling_->write(" ");
    }

    QTcpServer server_;
    QByteArray status_ = "200 OK";
    QByteArray body_;
    QByteArray extraHeaders_;
    QHash<QTcpSocket*, QByteArray> pending_;
    QTcpSocket* trickling_ = nullptr;
};
