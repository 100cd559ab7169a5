#pragma once
#include <QList>
#include <QObject>
#include <QUrl>

namespace pictavo {

// Files handed to the application from outside (its command line, or a second launch) that
// the main window has not taken into its batch yet, in arrival order.
class OpenedFiles : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const QList<QUrl>& pending() const { return pending_; }
    // Tells of every call, also of an empty list.
    void append(const QList<QUrl>& urls);
    // Tells only when the new list differs from the old one.
    void setPending(const QList<QUrl>& urls);

Q_SIGNALS:
    void pendingChanged();

private:
    QList<QUrl> pending_;
};

} // namespace pictavo
