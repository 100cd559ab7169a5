#include "app/design/DSCapsuleButton.h"
#include "app/design/DSCapsuleColours.h"
#include "app/design/DSPalette.h"
#include "support/FixedPreferences.h"
#include "app-design/Windows.h"

#include <QEnterEvent>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace pictavo {
namespace {

using namespace palette;
using Role = DSCapsuleButtonStyle::Role;

// A capsule's state: its role, with the flags given set away from their resting values.
enum Flag : unsigned {
    isOpen = 1 << 0,
    isFilled = 1 << 1,
    isDisabled = 1 << 2,
    isPressed = 1 << 3,
    isHovering = 1 << 4,
    reduceTransparency = 1 << 5,
    increasedContrast = 1 << 6
};
CapsuleStateKey state(Role role, unsigned flags = 0) {
    return {role, bool(flags & isOpen), bool(flags & isFilled), !(flags & isDisabled), bool(flags & isPressed),
            bool(flags & isHovering), bool(flags & reduceTransparency), bool(flags & increasedContrast)};
}

// A capsule's layers from back to front, then its text: backing, fill, stroke, foreground.
using Layers = std::array<const DSColour*, 4>;

Layers layersFor(const CapsuleStateKey& key) {
    const CapsuleColours colours = capsuleColours(key);
    return {colours.backing, colours.fill, colours.stroke, colours.foreground};
}

TEST(CapsuleColours, EachRoleFollowsItsStateAndTheAccessibilitySettings) {
    const std::vector<std::pair<CapsuleStateKey, Layers>> cases{
        // A primary button follows filling, pressing, enabling and contrast, never hover or open.
        {state(Role::primary, isFilled), {nullptr, &DSAccent(), nullptr, &white()}},
        {state(Role::primary, isFilled | isPressed), {nullptr, &DSAccentPress(), nullptr, &white()}},
        {state(Role::primary, isOpen | isFilled | isHovering), {nullptr, &DSAccent(), nullptr, &white()}},
        // A disabled filled button does not react to pressing.
        {state(Role::primary, isFilled | isDisabled | isPressed), {nullptr, &DSAccent(), nullptr, &translucentWhite()}},
        {state(Role::primary, isFilled | isDisabled | isPressed | increasedContrast),
         {nullptr, &DSAccent(), nullptr, &black()}},
        {state(Role::primary), {nullptr, &DSAccentInert(), nullptr, &DSAccentFgInert()}},
        {state(Role::primary, increasedContrast), {nullptr, &DSAccentInert(), nullptr, &DSAccentFgInertContrast()}},

        // A chip's fill prefers press, then open, then hover.
        {state(Role::chip), {nullptr, &DSFill(), &DSGlassBorder(), &primary()}},
        {state(Role::chip, isHovering), {nullptr, &DSGlassActive(), &DSGlassBorder(), &primary()}},
        {state(Role::chip, isOpen | isHovering), {nullptr, &DSMenuSelection(), &DSAccentRing(), &primary()}},
        {state(Role::chip, isOpen | isPressed | isHovering), {nullptr, &DSFill2(), &DSAccentRing(), &primary()}},
        // Disabled, hover and press are ignored; open still shows.
        {state(Role::chip, isDisabled | isPressed | isHovering),
         {nullptr, &DSFill(), &DSGlassBorder(), &tertiaryLabel()}},
        {state(Role::chip, isOpen | isDisabled | isPressed | isHovering),
         {nullptr, &DSMenuSelection(), &DSAccentRing(), &tertiaryLabel()}},

        // A quiet chip shows nothing at rest, and hover wins over open.
        {state(Role::quietChip), {nullptr, nullptr, nullptr, &secondary()}},
        {state(Role::quietChip, isDisabled | isPressed | isHovering), {nullptr, nullptr, nullptr, &tertiaryLabel()}},
        {state(Role::quietChip, isOpen), {nullptr, &DSFill(), &DSGlassBorder(), &primary()}},
        {state(Role::quietChip, isOpen | isHovering), {nullptr, &DSGlassActive(), &DSGlassBorder(), &primary()}},
        {state(Role::quietChip, isOpen | isPressed | isHovering), {nullptr, &DSFill2(), &DSGlassBorder(), &primary()}},

        // Reduced transparency backs the glass; increased contrast strengthens the stroke.
        {state(Role::chip, reduceTransparency), {&DSGlassSolid(), &DSFill(), &DSSeparator(), &primary()}},
        {state(Role::chip, isOpen | reduceTransparency),
         {&DSGlassSolid(), &DSMenuSelection(), &DSSeparator(), &primary()}},
        {state(Role::chip, isOpen | reduceTransparency | increasedContrast),
         {&DSGlassSolid(), &DSMenuSelection(), &primary(), &primary()}},
        // A quiet chip at rest has nothing to back.
        {state(Role::quietChip, reduceTransparency), {nullptr, nullptr, nullptr, &secondary()}},
        {state(Role::quietChip, isOpen | reduceTransparency), {&DSGlassSolid(), &DSFill(), &DSSeparator(), &primary()}},
        {state(Role::quietChip, increasedContrast), {nullptr, nullptr, &primary(), &primary()}},
    };
    for (std::size_t index = 0; index < cases.size(); ++index) {
        SCOPED_TRACE(testing::Message() << "case " << index);
        EXPECT_EQ(layersFor(cases[index].first), cases[index].second);
    }
}

TEST(CapsuleButton, SizeFollowsRoleAndTheUsersTextSize) {
    ThemeScope theme;
    DSCapsuleButton chip(QStringLiteral("PNG"), {Role::chip, false, true});
    DSCapsuleButton primaryButton(QStringLiteral("PNG"), {Role::primary, false, true});
    EXPECT_EQ(chip.sizeHint().height(), 32);
    // 20 points of padding either side instead of 15, around a wider text.
    EXPECT_GE(primaryButton.sizeHint().width() - chip.sizeHint().width(), 10);

    const int chipWidth = chip.sizeHint().width();
    theme.preferences->set(false, false, false, 2.0);
    EXPECT_EQ(chip.sizeHint().height(), 64);
    EXPECT_EQ(chip.font().pixelSize(), 26);
    EXPECT_GE(chip.sizeHint().width(), 2 * chipWidth - 2);
}

TEST(CapsuleButton, DrawsTheColoursOfItsStateAndAppearance) {
    ThemeScope theme;
    DSCapsuleButton button(QStringLiteral("Export"), {Role::primary, false, true});
    button.resize(120, 32);
    // Left of the text, inside the capsule.
    const QPoint inside(12, 16);
    EXPECT_EQ(pixelAt(button, inside), DSAccent().resolve(DSAppearance::light));

    button.setDown(true);
    EXPECT_EQ(pixelAt(button, inside), DSAccentPress().resolve(DSAppearance::light));
    button.setDown(false);

    theme.preferences->set(true);
    EXPECT_EQ(pixelAt(button, inside), DSAccent().resolve(DSAppearance::dark));
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), white().resolve(DSAppearance::dark));

    // The corners lie outside the capsule.
    EXPECT_EQ(pixelAt(button, QPoint(0, 0)).alpha(), 0);
}

TEST(CapsuleButton, TracksThePointerAndHandsColoursToItsLabel) {
    ThemeScope theme;
    DSCapsuleButton chip({Role::quietChip, false, true});
    auto* label = new QLabel(QStringLiteral("Options"));
    chip.setLabel(label);
    EXPECT_TRUE(label->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(label->palette().color(QPalette::WindowText), secondary().resolve(DSAppearance::light));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&chip, &enter);
    EXPECT_TRUE(chip.isHovering());
    EXPECT_TRUE(chip.stateKey().isHovering);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&chip, &leave);
    EXPECT_FALSE(chip.isHovering());

    chip.setOpen(true);
    EXPECT_TRUE(chip.stateKey().isOpen);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), primary().resolve(DSAppearance::light));
    chip.setEnabled(false);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), tertiaryLabel().resolve(DSAppearance::light));
}

} // namespace
} // namespace pictavo
