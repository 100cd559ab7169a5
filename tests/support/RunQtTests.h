#pragma once
// For the Qt test programs only: the support library itself links no Qt.
#include "ImageEngine/Running/EncodeExecutor.h"
#include "app/batch/ThumbnailLoader.h"
#include "app/desktop/BackgroundWork.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace support {

// Waits until no thread of the pool runs a task. The threads stay, idle: one still ending
// while the leak check runs would have its thread-local buffers reported as leaks.
inline bool becomesIdle(const QThreadPool& pool) {
    const QDeadlineTimer deadline(60000);
    while (pool.activeThreadCount() > 0) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(1);
    }
    return true;
}

// Waits until no conversion job runs anywhere in the process.
inline bool conversionsEnd() {
    const QDeadlineTimer deadline(60000);
    while (pictavo::EncodeExecutor::runningJobs() > 0) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(1);
    }
    return true;
}

// Runs every test, then lets the background work finish. A store's background work outlives
// the store: the last estimate's failure report may still be being written on a converting
// thread. Returning at once would tear Qt's statics (its locales) down under that thread and
// crash the exit.
inline int runTestsThenLetBackgroundWorkEnd() {
    const int result = RUN_ALL_TESTS();
    const bool idle = becomesIdle(pictavo::fileWorkPool()) && conversionsEnd() &&
                      becomesIdle(pictavo::ThumbnailLoader::pool());
    if (!idle) std::fputs("Background work was still running a minute after the tests ended.\n", stderr);
    return idle ? result : 1;
}

// The whole of a Qt test program: an application object of this name, `prepare` run once it
// stands (the tests' own appearance, locale or version), then every test.
inline int runQtTests(int argc, char** argv, const char* applicationName, const std::function<void()>& prepare = {}) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Fenwid");
    QApplication::setApplicationName(applicationName);
    if (prepare) prepare();
    ::testing::InitGoogleTest(&argc, argv);
    return runTestsThenLetBackgroundWorkEnd();
}

} // namespace support
