#pragma once
// For the Qt test programs only: the support library itself links no Qt.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace support {

// Waits, running the event loop, until the condition holds; false after a minute.
inline bool eventually(const std::function<bool()>& condition, int milliseconds = 60000) {
    const QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

} // namespace support
