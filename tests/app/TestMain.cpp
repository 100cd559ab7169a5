#include "support/RunQtTests.h"

#include <QApplication>
#include <gtest/gtest.h>

// The stores live on the thread of an application object and deliver work through its event
// loop; the folder panels are real widgets, on the offscreen platform.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName("Fenwid");
    QCoreApplication::setApplicationName("Pictavo-tests");
    ::testing::InitGoogleTest(&argc, argv);
    return support::runTestsThenLetBackgroundWorkEnd();
}
