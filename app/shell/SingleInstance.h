#pragma once
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace pictavo {

// One running application per user session. The first launch listens on a socket in the
// user's runtime folder; a later one hands its file paths to it and ends. The socket is
// closed to other users, and a lock beside it settles two launches made at the same moment.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        // This process is the one others hand their files to.
        primary,
        // A running instance took the paths; this process should end.
        forwarded,
        // Neither could be arranged (no usable runtime folder): this process runs on its own.
        alone,
    };

    // `folder` holds the socket and its lock; `name` is the socket's file name.
    SingleInstance(QString folder, QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The user's runtime folder ($XDG_RUNTIME_DIR), else Qt's private fallback for it.
    static QString runtimeFolder();

    // Hands the paths to a running instance, or becomes the running instance. Waits at most
    // a few seconds for an instance that does not answer.
    Outcome start(const QStringList& paths);
    QString socketPath() const;

Q_SIGNALS:
    // Paths a later launch handed over, in its order.
    void pathsReceived(const QStringList& paths);

private:
    bool forward(const QStringList& paths);
    void acceptConnections();

    QString folder_;
    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

} // namespace pictavo
