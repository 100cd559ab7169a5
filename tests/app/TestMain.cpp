#include <QCoreApplication>
#include <gtest/gtest.h>

// The stores live on the thread of an application object and deliver work through its event loop.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName("Fenwid");
    QCoreApplication::setApplicationName("Pictavo-tests");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
