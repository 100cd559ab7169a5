#include "app/batch/BackgroundWork.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cstdio>

// The stores live on the thread of an application object and deliver work through its event loop.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName("Fenwid");
    QCoreApplication::setApplicationName("Pictavo-tests");
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // A store's background work outlives the store: the last estimate's failure report may
    // still be being written on a pool thread. Returning now would tear Qt's statics (its
    // locales) down under that thread and crash the exit, so the pools are drained first.
    // Every engine of the tests has gone, so every future they wait for is settled.
    const bool drained = pictavo::fileWorkPool().waitForDone(60000) && pictavo::futureWaitingPool().waitForDone(60000);
    if (!drained) std::fputs("Background work was still running a minute after the tests ended.\n", stderr);
    return drained ? result : 1;
}
