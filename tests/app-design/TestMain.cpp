#include "app-design/FixedPreferences.h"

#include "app/design/DSTheme.h"

#include <QApplication>
#include <gtest/gtest.h>

// The design system's widgets need an application object; they run on the offscreen platform.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The tests choose the appearance themselves; the desktop of the machine running them has no say.
    pictavo::DSTheme::shared().setPreferences(std::make_unique<pictavo::FixedPreferences>());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
