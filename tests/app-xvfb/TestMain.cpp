#include "app/batch/ThumbnailLoader.h"
#include "app/desktop/BackgroundWork.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLocale>
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

// The application's real window on a real X server: tools/test runs this program under
// xvfb-run. Without a display the tests can still be listed, and each one says it was skipped.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Fenwid");
    QApplication::setApplicationName("Pictavo-window-tests");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    const bool idle = becomesIdle(pictavo::fileWorkPool()) && becomesIdle(pictavo::futureWaitingPool()) &&
                      becomesIdle(pictavo::ThumbnailLoader::pool());
    if (!idle) std::fputs("Background work was still running a minute after the tests ended.\n", stderr);
    return idle ? result : 1;
}
