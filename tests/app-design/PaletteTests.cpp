#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"
#include "support/FixedPreferences.h"

#include <QApplication>
#include <QPalette>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <functional>

namespace pictavo {
namespace {

using namespace palette;

struct Rgba {
    int red, green, blue;
    double alpha;
};

struct NamedColour {
    const char* name;
    std::function<const DSColour&()> colour;
    Rgba light, dark, contrastLight, contrastDark;
};

constexpr Rgba accent{215, 46, 105, 1}, accentDark{245, 92, 136, 1};
constexpr Rgba blackValue{0, 0, 0, 1}, whiteValue{255, 255, 255, 1};

Rgba alpha(Rgba value, double a) { return {value.red, value.green, value.blue, a}; }
Rgba greyValue(int white, double a) { return {white, white, white, a}; }

const std::vector<NamedColour>& table() {
    static const std::vector<NamedColour> rows = {
        {"DSAccent", DSAccent, accent, accentDark, accent, accentDark},
        {"DSAccentTint", DSAccentTint, alpha(accent, 0.12), alpha(accentDark, 0.16), alpha(accent, 0.12),
         alpha(accentDark, 0.16)},
        {"DSAccentTintStrong", DSAccentTintStrong, alpha(accent, 0.28), alpha(accentDark, 0.34), alpha(accent, 0.28),
         alpha(accentDark, 0.34)},
        {"DSAccentInert", DSAccentInert, alpha(accent, 0.3), alpha(accentDark, 0.3), alpha(accent, 0.3),
         alpha(accentDark, 0.3)},
        {"DSAccentRing", DSAccentRing, alpha(accent, 0.28), alpha(accentDark, 0.34), alpha(accent, 0.28),
         alpha(accentDark, 0.34)},
        {"DSAccentPress", DSAccentPress, {184, 0, 81, 1}, {214, 63, 111, 1}, {184, 0, 81, 1}, {214, 63, 111, 1}},
        {"DSAccentFgInert", DSAccentFgInert, {184, 0, 81, 1}, greyValue(255, 0.55), {184, 0, 81, 1},
         greyValue(255, 0.55)},
        {"DSAccentFgInertContrast", DSAccentFgInertContrast, blackValue, whiteValue, blackValue, whiteValue},
        {"DSSeparator", DSSeparator, {60, 60, 67, 0.14}, {84, 84, 88, 0.6}, {60, 60, 67, 0.6}, {235, 235, 245, 0.48}},
        {"DSStructural", DSStructural, {60, 60, 67, 0.75}, {235, 235, 245, 0.6}, greyValue(0, 0.76),
         greyValue(255, 0.7)},
        {"DSWindowBg", DSWindowBg, {242, 242, 247, 1}, {30, 30, 30, 1}, {242, 242, 247, 1}, {30, 30, 30, 1}},
        {"DSSurface", DSSurface, whiteValue, {28, 28, 30, 1}, whiteValue, {28, 28, 30, 1}},
        {"DSCheckerboard", DSCheckerboard, whiteValue, {44, 44, 46, 1}, whiteValue, {44, 44, 46, 1}},
        {"DSCheckerboardAlt", DSCheckerboardAlt, {233, 233, 238, 1}, {58, 58, 60, 1}, {233, 233, 238, 1},
         {58, 58, 60, 1}},
        {"DSFill", DSFill, {120, 120, 128, 0.12}, {120, 120, 128, 0.24}, {120, 120, 128, 0.12}, {120, 120, 128, 0.24}},
        {"DSFill2", DSFill2, {120, 120, 128, 0.2}, {120, 120, 128, 0.36}, {120, 120, 128, 0.2}, {120, 120, 128, 0.36}},
        {"DSGlassBorder", DSGlassBorder, greyValue(255, 0.7), greyValue(255, 0.14), {60, 60, 67, 0.6},
         {235, 235, 245, 0.48}},
        {"DSGlassActive", DSGlassActive, {120, 120, 128, 0.18}, greyValue(255, 0.16), {120, 120, 128, 0.18},
         greyValue(255, 0.16)},
        {"DSGlassSolid", DSGlassSolid, whiteValue, {42, 42, 44, 1}, whiteValue, {42, 42, 44, 1}},
        {"DSMenuPanel", DSMenuPanel, {246, 246, 248, 0.92}, {52, 52, 56, 0.94}, {246, 246, 248, 0.92},
         {52, 52, 56, 0.94}},
        {"DSMenuSelection", DSMenuSelection, alpha(accent, 0.15), alpha(accentDark, 0.2), alpha(accent, 0.15),
         alpha(accentDark, 0.2)},
        {"DSMenuHighlight", DSMenuHighlight, greyValue(0, 0.07), greyValue(255, 0.1), greyValue(0, 0.07),
         greyValue(255, 0.1)},
        {"DSMenuHighlightRing", DSMenuHighlightRing, greyValue(0, 0.5), greyValue(255, 0.5), blackValue, whiteValue},
        {"DSKeyboardRing", DSKeyboardRing, blackValue, whiteValue, blackValue, whiteValue},
        {"DSSegmentSelected", DSSegmentSelected, {120, 120, 128, 0.2}, {120, 120, 128, 0.36}, {120, 120, 128, 0.2},
         {120, 120, 128, 0.36}},
    };
    return rows;
}

void expectColour(const QColor& actual, Rgba expected, const std::string& where) {
    // QColor keeps 16 bits a channel: 8-bit values come back exactly, alphas to the nearest step.
    EXPECT_EQ(actual.red(), expected.red) << where;
    EXPECT_EQ(actual.green(), expected.green) << where;
    EXPECT_EQ(actual.blue(), expected.blue) << where;
    EXPECT_NEAR(actual.alphaF(), expected.alpha, 1.0 / 65535) << where;
}

TEST(Palette, EveryNamedColourHasItsValueInEachAppearance) {
    ASSERT_EQ(table().size(), 25u);
    for (const NamedColour& row : table()) {
        const DSColour& colour = row.colour();
        EXPECT_EQ(colour.name(), QString::fromLatin1(row.name));
        const std::string name = row.name;
        expectColour(colour.resolve(DSAppearance::light), row.light, name + " light");
        expectColour(colour.resolve(DSAppearance::dark), row.dark, name + " dark");
        expectColour(colour.resolve(DSAppearance::increasedContrastLight), row.contrastLight,
                     name + " increased-contrast light");
        expectColour(colour.resolve(DSAppearance::increasedContrastDark), row.contrastDark,
                     name + " increased-contrast dark");
    }
}

TEST(Palette, ColoursWithEqualValuesStayDistinctMembers) {
    EXPECT_NE(&DSAccentTintStrong(), &DSAccentRing());
    EXPECT_NE(DSAccentTintStrong().name(), DSAccentRing().name());
    EXPECT_NE(&DSAccentFgInertContrast(), &DSKeyboardRing());
    // Reading a member twice gives the same object.
    EXPECT_EQ(&DSAccent(), &DSAccent());
}

TEST(Palette, PlainMembersHaveNoNameAndFollowLightAndDark) {
    for (const DSColour* colour : {&white(), &translucentWhite(), &black(), &primary(), &secondary(),
                                   &tertiaryLabel(), &green(), &orange(), &red()}) {
        EXPECT_TRUE(colour->name().isEmpty());
    }
    expectColour(translucentWhite().resolve(DSAppearance::dark), greyValue(255, 0.8), "translucent white");
    EXPECT_EQ(white().resolve(DSAppearance::dark), QColor(Qt::white));
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

    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    QApplication::setPalette(dark);
    EXPECT_EQ(DSTheme::shared().appearance(), DSAppearance::dark);
    QPalette light = original;
    light.setColor(QPalette::Window, QColor(240, 240, 240));
    QApplication::setPalette(light);
    EXPECT_EQ(DSTheme::shared().appearance(), DSAppearance::light);
    QApplication::setPalette(original);
}

} // namespace
} // namespace pictavo
