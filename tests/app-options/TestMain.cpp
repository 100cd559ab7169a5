#include "app-options/OptionsTesting.h"

#include "app/design/DSTheme.h"

#include "support/RunQtTests.h"

#include <QApplication>
#include <gtest/gtest.h>

// The chips and panels are real widgets on the offscreen platform; the tests choose the
// appearance themselves, so the desktop running them has no say.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Fenwid");
    QApplication::setApplicationName("Pictavo-options-tests");
    pictavo::DSTheme::shared().setPreferences(std::make_unique<options_testing::FixedPreferences>());
    ::testing::InitGoogleTest(&argc, argv);
    return support::runTestsThenLetBackgroundWorkEnd();
}
