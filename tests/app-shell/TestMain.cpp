#include "support/RunQtTests.h"

#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

// The windows under test are real widgets on the offscreen platform.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Fenwid");
    QApplication::setApplicationName("Pictavo-shell-tests");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    ::testing::InitGoogleTest(&argc, argv);
    return support::runTestsThenLetBackgroundWorkEnd();
}
