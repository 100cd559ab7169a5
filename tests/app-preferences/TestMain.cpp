#include <QApplication>
#include <gtest/gtest.h>

// The settings window and the about panel under test are real widgets on the offscreen
// platform; the update checker talks to a real server on the loopback interface.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Fenwid");
    QApplication::setApplicationName("Pictavo-preferences-tests");
    QApplication::setApplicationVersion("1.4");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
