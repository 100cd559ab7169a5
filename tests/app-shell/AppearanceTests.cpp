#include "support/FixedPreferences.h"
#include "app/design/DSPalette.h"
#include "app/shell/ApplicationPalette.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;

// The application's palette as it was, put back at the end.
class SavedPalette {
public:
    ~SavedPalette() { QApplication::setPalette(saved_); }

private:
    QPalette saved_ = QApplication::palette();
};

TEST(ApplicationPalette, StandardWidgetsFollowTheThemeInOpaqueColours) {
    SavedPalette saved;
    ThemeScope theme;
    ApplicationPalette follower;
    const QPalette light = QApplication::palette();
    EXPECT_EQ(light.color(QPalette::Window), palette::DSWindowBg().resolve(DSAppearance::light));
    EXPECT_EQ(light.color(QPalette::Base), palette::DSSurface().resolve(DSAppearance::light));
    EXPECT_EQ(light.color(QPalette::Highlight), palette::DSAccent().resolve(DSAppearance::light));
    EXPECT_LT(light.color(QPalette::Text).lightness(), 60);

    theme.preferences->set(true);
    const QPalette dark = QApplication::palette();
    EXPECT_EQ(dark.color(QPalette::Window), palette::DSWindowBg().resolve(DSAppearance::dark));
    EXPECT_GT(dark.color(QPalette::Text).lightness(), 200);
    EXPECT_GT(dark.color(QPalette::WindowText).lightness(), 200);
    EXPECT_LT(dark.color(QPalette::Base).lightness(), 40);
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        if (role == QPalette::NoRole) continue;
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            EXPECT_EQ(dark.color(group, QPalette::ColorRole(role)).alpha(), 255) << "role " << role;
        }
    }
    // Disabled text is dimmer than enabled text, so a disabled field reads as one.
    EXPECT_LT(dark.color(QPalette::Disabled, QPalette::Text).lightness(), dark.color(QPalette::Text).lightness());
    // The palette's own darkness agrees with the theme's, so the theme reading it back stays put.
    EXPECT_EQ(DSTheme::shared().appearance(), DSAppearance::dark);
}

} // namespace
