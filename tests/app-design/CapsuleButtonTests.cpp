#include "app/design/DSCapsuleButton.h"
#include "app/design/DSCapsuleColours.h"
#include "app/design/DSPalette.h"
#include "support/FixedPreferences.h"

#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace pictavo {
namespace {

using namespace palette;
using Role = DSCapsuleButtonStyle::Role;

CapsuleStateKey state(Role role) {
    CapsuleStateKey key;
    key.role = role;
    return key;
}

TEST(CapsuleColours, PrimaryFollowsFillingPressingEnablingAndContrastButNeverHoverOrOpen) {
    CapsuleStateKey key = state(Role::primary);
    key.isFilled = true;
    CapsuleColours colours = capsuleColours(key);
    EXPECT_EQ(colours.fill, &DSAccent());
    EXPECT_EQ(colours.foreground, &white());
    EXPECT_EQ(colours.backing, nullptr);
    EXPECT_EQ(colours.stroke, nullptr);

    key.isPressed = true;
    EXPECT_EQ(capsuleColours(key).fill, &DSAccentPress());

    // A disabled filled button does not react to pressing.
    key.isEnabled = false;
    colours = capsuleColours(key);
    EXPECT_EQ(colours.fill, &DSAccent());
    EXPECT_EQ(colours.foreground, &translucentWhite());
    key.increasedContrast = true;
    EXPECT_EQ(capsuleColours(key).foreground, &black());

    CapsuleStateKey inert = state(Role::primary);
    EXPECT_EQ(capsuleColours(inert).fill, &DSAccentInert());
    EXPECT_EQ(capsuleColours(inert).foreground, &DSAccentFgInert());
    inert.increasedContrast = true;
    EXPECT_EQ(capsuleColours(inert).foreground, &DSAccentFgInertContrast());

    CapsuleStateKey busy = state(Role::primary);
    busy.isFilled = true;
    const CapsuleColours atRest = capsuleColours(busy);
    busy.isHovering = true;
    busy.isOpen = true;
    const CapsuleColours hoveredOpen = capsuleColours(busy);
    EXPECT_EQ(hoveredOpen.fill, atRest.fill);
    EXPECT_EQ(hoveredOpen.foreground, atRest.foreground);
}

TEST(CapsuleColours, ChipFillPrefersPressThenOpenThenHoverUnlessDisabled) {
    CapsuleStateKey key = state(Role::chip);
    EXPECT_EQ(capsuleColours(key).fill, &DSFill());
    EXPECT_EQ(capsuleColours(key).stroke, &DSGlassBorder());
    EXPECT_EQ(capsuleColours(key).foreground, &primary());
    EXPECT_EQ(capsuleColours(key).backing, nullptr);

    key.isHovering = true;
    EXPECT_EQ(capsuleColours(key).fill, &DSGlassActive());
    key.isOpen = true;
    EXPECT_EQ(capsuleColours(key).fill, &DSMenuSelection());
    EXPECT_EQ(capsuleColours(key).stroke, &DSAccentRing());
    key.isPressed = true;
    EXPECT_EQ(capsuleColours(key).fill, &DSFill2());

    // Disabled, hover and press are ignored; open still shows.
    CapsuleStateKey disabled = state(Role::chip);
    disabled.isEnabled = false;
    disabled.isHovering = true;
    disabled.isPressed = true;
    EXPECT_EQ(capsuleColours(disabled).fill, &DSFill());
    EXPECT_EQ(capsuleColours(disabled).foreground, &tertiaryLabel());
    disabled.isOpen = true;
    EXPECT_EQ(capsuleColours(disabled).fill, &DSMenuSelection());
}

TEST(CapsuleColours, QuietChipShowsNothingAtRestAndHoverWinsOverOpen) {

    CapsuleStateKey quiet = state(Role::quietChip);
    quiet.isEnabled = false;
    quiet.isHovering = true;
    quiet.isPressed = true;
    EXPECT_EQ(capsuleColours(quiet).fill, nullptr);
    EXPECT_EQ(capsuleColours(quiet).foreground, &tertiaryLabel());

    CapsuleStateKey key = state(Role::quietChip);
    CapsuleColours colours = capsuleColours(key);
    EXPECT_EQ(colours.fill, nullptr);
    EXPECT_EQ(colours.stroke, nullptr);
    EXPECT_EQ(colours.backing, nullptr);
    EXPECT_EQ(colours.foreground, &secondary());

    key.isOpen = true;
    colours = capsuleColours(key);
    EXPECT_EQ(colours.fill, &DSFill());
    EXPECT_EQ(colours.stroke, &DSGlassBorder());
    EXPECT_EQ(colours.foreground, &primary());
    key.isHovering = true;
    EXPECT_EQ(capsuleColours(key).fill, &DSGlassActive());
    key.isPressed = true;
    EXPECT_EQ(capsuleColours(key).fill, &DSFill2());
}

TEST(CapsuleColours, AccessibilitySettingsChangeBackingAndStroke) {
    CapsuleStateKey chip = state(Role::chip);
    chip.reduceTransparency = true;
    EXPECT_EQ(capsuleColours(chip).backing, &DSGlassSolid());
    EXPECT_EQ(capsuleColours(chip).stroke, &DSSeparator());
    chip.isOpen = true;
    EXPECT_EQ(capsuleColours(chip).stroke, &DSSeparator());
    chip.increasedContrast = true;
    EXPECT_EQ(capsuleColours(chip).stroke, &primary());

    CapsuleStateKey quiet = state(Role::quietChip);
    quiet.reduceTransparency = true;
    EXPECT_EQ(capsuleColours(quiet).backing, nullptr) << "a quiet chip at rest has nothing to back";
    EXPECT_EQ(capsuleColours(quiet).fill, nullptr);
    quiet.isOpen = true;
    EXPECT_EQ(capsuleColours(quiet).backing, &DSGlassSolid());
    EXPECT_EQ(capsuleColours(quiet).stroke, &DSSeparator());

    CapsuleStateKey closedQuiet = state(Role::quietChip);
    closedQuiet.increasedContrast = true;
    EXPECT_EQ(capsuleColours(closedQuiet).stroke, &primary());
    EXPECT_EQ(capsuleColours(closedQuiet).foreground, &primary());
}

// The widget drawn on a transparent canvas, without a window background behind it.
QColor pixelAt(QWidget& widget, QPoint point) {
    QImage canvas(widget.size(), QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    widget.render(&canvas, QPoint(), QRegion(), QWidget::RenderFlags());
    return canvas.pixelColor(point);
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
