#include "app-options/OptionsTesting.h"

#include "app/batch/ThumbnailLoader.h"
#include "app/desktop/BackgroundWork.h"
#include "app/design/DSTheme.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

bool becomesIdle(const QThreadPool& pool) {
    const QDeadlineTimer deadline(60000);
    while (pool.activeThreadCount() > 0) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(1);
    }
    return true;
}

} // namespace

// The chips and panels are real widgets on the offscreen platform; the tests choose the
// appearance themselves, so the desktop running them has no say.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Fenwid");
    QApplication::setApplicationName("Pictavo-options-tests");
    pictavo::DSTheme::shared().setPreferences(std::make_unique<options_testing::FixedPreferences>());
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    const bool idle = becomesIdle(pictavo::fileWorkPool()) && becomesIdle(pictavo::futureWaitingPool()) &&
                      becomesIdle(pictavo::ThumbnailLoader::pool());
    if (!idle) std::fputs("Background work was still running a minute after the tests ended.\n", stderr);
    return idle ? result : 1;
}
