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

QThreadPool& futureWaitingPool() {
    // Waiting costs no processor time; the cap only bounds threads when many windows wait at once.
    static QThreadPool* const pool = [] {
        auto* made = new QThreadPool;
        made->setMaxThreadCount(256);
        return made;
    }();
    return *pool;
}

} // namespace pictavo
