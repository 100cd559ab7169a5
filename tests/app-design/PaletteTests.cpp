#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"
#include "support/FixedPreferences.h"

#include <QApplication>
#include <QPalette>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <string>

namespace pictavo {
namespace {

using namespace palette;

struct Rgba {
    int red, green, blue;
    double alpha;
};

void expectColour(const QColor& actual, Rgba expected, const std::string& where) {
    // QColor keeps 16 bits a channel: 8-bit values come back exactly, alphas to the nearest step.
    EXPECT_EQ(actual.red(), expected.red) << where;
    EXPECT_EQ(actual.green(), expected.green) << where;
    EXPECT_EQ(actual.blue(), expected.blue) << where;
    EXPECT_NEAR(actual.alphaF(), expected.alpha, 1.0 / 65535) << where;
}

// The values themselves are the design's and stand in one place; these are the ways a member
// could pick the wrong one: the wrong appearance, a shared object, a lost alpha or name.
TEST(Palette, EachMemberResolvesPerAppearanceUnderItsOwnName) {
    expectColour(DSAccent().resolve(DSAppearance::light), {215, 46, 105, 1}, "accent light");
    expectColour(DSAccent().resolve(DSAppearance::increasedContrastDark), {245, 92, 136, 1}, "accent contrast dark");
    expectColour(DSAccentTint().resolve(DSAppearance::dark), {245, 92, 136, 0.16}, "accent tint dark");
    expectColour(DSSeparator().resolve(DSAppearance::light), {60, 60, 67, 0.14}, "separator light");
    expectColour(DSSeparator().resolve(DSAppearance::increasedContrastLight), {60, 60, 67, 0.6}, "separator contrast");
    expectColour(DSMenuHighlightRing().resolve(DSAppearance::increasedContrastDark), {255, 255, 255, 1}, "ring");
    EXPECT_EQ(DSAccentTint().name(), QStringLiteral("DSAccentTint"));

    EXPECT_NE(&DSAccentTintStrong(), &DSAccentRing());
    EXPECT_NE(DSAccentTintStrong().name(), DSAccentRing().name());
    EXPECT_NE(&DSAccentFgInertContrast(), &DSKeyboardRing());

    // Plain members have no name and follow light and dark.
    for (const DSColour* colour : {&white(), &translucentWhite(), &black(), &primary(), &secondary(),
                                   &tertiaryLabel(), &green(), &orange(), &red()}) {
        EXPECT_TRUE(colour->name().isEmpty());
    }
    expectColour(translucentWhite().resolve(DSAppearance::dark), {255, 255, 255, 0.8}, "translucent white");
    EXPECT_LT(primary().resolve(DSAppearance::light).lightnessF(), 0.5);
    EXPECT_GT(primary().resolve(DSAppearance::dark).lightnessF(), 0.5);
}

TEST(Theme, FollowsTheDesktopPreferenceAndAnnouncesChanges) {
    ThemeScope scope;
    DSTheme& theme = DSTheme::shared();
    EXPECT_EQ(theme.appearance(), DSAppearance::light);
    QSignalSpy changes(&theme, &DSTheme::changed);

    scope.preferences->set(true);
    EXPECT_EQ(theme.appearance(), DSAppearance::dark);
    EXPECT_EQ(DSAccent().current(), DSAccent().resolve(DSAppearance::dark));
    scope.preferences->set(true, true);
    EXPECT_EQ(theme.appearance(), DSAppearance::increasedContrastDark);
    EXPECT_TRUE(theme.increasedContrast());
    EXPECT_EQ(changes.count(), 2);

    // The same preferences again change nothing and announce nothing.
    scope.preferences->set(true, true);
    EXPECT_EQ(changes.count(), 2);
}

TEST(Theme, WithoutAPreferenceTheApplicationPaletteDecides) {
    ThemeScope scope;
    const QPalette original = QApplication::palette();
    scope.preferences->set(std::nullopt);
    EXPECT_EQ(DSTheme::shared().appearance(), original.color(QPalette::Window).lightnessF() < 0.5
                                                  ? DSAppearance::dark
                                                  : DSAppearance::light);

    for (const auto& [grey, appearance] : {std::pair{30, DSAppearance::dark}, std::pair{240, DSAppearance::light}}) {
        QPalette changed = original;
        changed.setColor(QPalette::Window, QColor(grey, grey, grey));
        QApplication::setPalette(changed);
        EXPECT_EQ(DSTheme::shared().appearance(), appearance) << grey;
    }
    QApplication::setPalette(original);
}

} // namespace
} // namespace pictavo
