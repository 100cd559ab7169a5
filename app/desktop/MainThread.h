#pragma once
#include <QCoreApplication>
#include <QThread>

namespace pictavo {

// The stores belong to the thread of the application object; a call from any other thread
// is a programming error that would corrupt them, so it stops the process at once.
inline void assertMainThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    if (application && QThread::currentThread() != application->thread()) {
        qFatal("Incorrect actor executor assumption; Expected same executor as MainActor.");
    }
}

} // namespace pictavo
