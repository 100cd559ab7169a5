#include "app/desktop/BackgroundWork.h"

namespace pictavo {

namespace {

// Never deleted: its threads may outlive the application object.
QThreadPool* poolOf(int threads) {
    auto* made = new QThreadPool;
    made->setMaxThreadCount(threads);
    return made;
}

} // namespace

QThreadPool& fileWorkPool() {
    static QThreadPool* const pool = poolOf(2);
    return *pool;
}

QThreadPool& replacingWorkPool() {
    static QThreadPool* const pool = poolOf(1);
    return *pool;
}

void limitQtPaintingThreads() { QThreadPool::globalInstance()->setMaxThreadCount(1); }

} // namespace pictavo
