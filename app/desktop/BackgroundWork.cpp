#include "app/desktop/BackgroundWork.h"

namespace pictavo {

QThreadPool& fileWorkPool() {
    static QThreadPool* const pool = [] {
        auto* made = new QThreadPool;
        made->setMaxThreadCount(2);
        return made;
    }();
    return *pool;
}

QThreadPool& replacingWorkPool() {
    static QThreadPool* const pool = [] {
        auto* made = new QThreadPool;
        made->setMaxThreadCount(1);
        return made;
    }();
    return *pool;
}

void limitQtPaintingThreads() { QThreadPool::globalInstance()->setMaxThreadCount(1); }

} // namespace pictavo
