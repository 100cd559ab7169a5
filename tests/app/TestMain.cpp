#include "app/batch/ThumbnailLoader.h"
#include "app/desktop/BackgroundWork.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Waits until no thread of the pool runs a task. The threads stay, idle: one still ending
// while the leak check runs would have its thread-local buffers reported as leaks.
bool becomesIdle(const QThreadPool& pool) {
    const QDeadlineTimer deadline(60000);
    while (pool.activeThreadCount() > 0) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(1);
    }
    return true;
}

} // namespace

// The stores live on the thread of an application object and deliver work through its event
// loop; the folder panels are real widgets, on the offscreen platform.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName("Fenwid");
    QCoreApplication::setApplicationName("Pictavo-tests");
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // A store's background work outlives the store: the last estimate's failure report may
    // still be being written on a pool thread. Returning now would tear Qt's statics (its
    // locales) down under that thread and crash the exit, so the pools are let finish first.
    // Every engine of the tests has gone, so every future they wait for is settled.
    const bool idle = becomesIdle(pictavo::fileWorkPool()) && becomesIdle(pictavo::futureWaitingPool()) &&
                      becomesIdle(pictavo::ThumbnailLoader::pool());
    if (!idle) std::fputs("Background work was still running a minute after the tests ended.\n", stderr);
    return idle ? result : 1;
}
