#include "app/shell/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

namespace pictavo {

namespace {

constexpr int answerWait = 3000;
// A launch carries paths, never this much: a larger message is refused unread.
constexpr quint32 largestMessage = 16 * 1024 * 1024;
constexpr char acknowledgement = '\x01';

QByteArray encode(const QStringList& paths) {
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_4);
    stream << paths;
    QByteArray message;
    QDataStream framing(&message, QIODevice::WriteOnly);
    framing.setVersion(QDataStream::Qt_6_4);
    framing << static_cast<quint32>(payload.size());
    message.append(payload);
    return message;
}

// One connection of a later launch: reads its framed message, answers, and closes.
class Receiver : public QObject {
public:
    Receiver(QLocalSocket* socket, SingleInstance* instance) : QObject(socket), socket_(socket), instance_(instance) {
        connect(socket, &QLocalSocket::readyRead, this, &Receiver::read);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that connects and says nothing is let go.
        QTimer::singleShot(answerWait, socket, [socket] { socket->abort(); });
        read();
    }

private:
    void read() {
        if (answered_) return;
        buffer_.append(socket_->readAll());
        if (buffer_.size() < 4) return;
        quint32 length = 0;
        {
            QDataStream framing(buffer_.left(4));
            framing.setVersion(QDataStream::Qt_6_4);
            framing >> length;
        }
        if (length > largestMessage) {
            socket_->abort();
            return;
        }
        if (static_cast<quint32>(buffer_.size() - 4) < length) return;
        QStringList paths;
        QDataStream stream(buffer_.mid(4, static_cast<qsizetype>(length)));
        stream.setVersion(QDataStream::Qt_6_4);
        stream >> paths;
        if (stream.status() != QDataStream::Ok) {
            socket_->abort();
            return;
        }
        QStringList absolute;
        for (const QString& path : paths) {
            if (QDir::isAbsolutePath(path)) absolute.append(path);
        }
        answered_ = true;
        socket_->write(QByteArray(1, acknowledgement));
        socket_->flush();
        socket_->disconnectFromServer();
        if (instance_) Q_EMIT instance_->pathsReceived(absolute);
    }

    QLocalSocket* socket_;
    QPointer<SingleInstance> instance_;
    QByteArray buffer_;
    bool answered_ = false;
};

} // namespace

SingleInstance::SingleInstance(QString folder, QString name, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), name_(std::move(name)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

SingleInstance::~SingleInstance() { server_.close(); }

QString SingleInstance::runtimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists()) return runtime;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString SingleInstance::socketPath() const { return QDir(folder_).filePath(name_); }

SingleInstance::Outcome SingleInstance::start(const QStringList& paths) {
    if (folder_.isEmpty() || !QDir(folder_).exists()) return Outcome::alone;
    if (forward(paths)) return Outcome::forwarded;

    // Two launches at once: the one that takes the lock listens, the other finds it listening.
    lock_ = std::make_unique<QLockFile>(socketPath() + QStringLiteral(".lock"));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(answerWait)) {
        lock_.reset();
        return forward(paths) ? Outcome::forwarded : Outcome::alone;
    }
    if (forward(paths)) {
        lock_.reset();
        return Outcome::forwarded;
    }
    // Nobody answers on the socket, so what is there was left by an instance that ended.
    QLocalServer::removeServer(socketPath());
    if (!server_.listen(socketPath())) {
        lock_.reset();
        return Outcome::alone;
    }
    return Outcome::primary;
}

bool SingleInstance::forward(const QStringList& paths) {
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(answerWait)) return false;
    socket.write(encode(paths));
    socket.flush();
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(answerWait)) return false;
    }
    return socket.read(1) == QByteArray(1, acknowledgement);
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) new Receiver(socket, this);
}

} // namespace pictavo
