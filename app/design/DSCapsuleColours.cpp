#include "app/design/DSCapsuleColours.h"

#include "app/design/DSPalette.h"

namespace pictavo {

using namespace palette;

CapsuleColours capsuleColours(const CapsuleStateKey& state) {
    if (state.role != DSCapsuleButtonStyle::Role::primary) return chipColours(state);
    CapsuleColours colours;
    if (state.isFilled) {
        colours.fill = state.isEnabled && state.isPressed ? &DSAccentPress() : &DSAccent();
        if (state.isEnabled) {
            colours.foreground = &white();
        } else {
            colours.foreground = state.increasedContrast ? &black() : &translucentWhite();
        }
    } else {
        colours.fill = &DSAccentInert();
        colours.foreground = state.increasedContrast ? &DSAccentFgInertContrast() : &DSAccentFgInert();
    }
    return colours;
}

namespace {

CapsuleColours chip(const CapsuleStateKey& state) {
    CapsuleColours colours;
    if (state.reduceTransparency) colours.backing = &DSGlassSolid();
    if (state.isEnabled && state.isPressed) {
        colours.fill = &DSFill2();
    } else if (state.isOpen) {
        colours.fill = &DSMenuSelection();
    } else if (state.isEnabled && state.isHovering) {
        colours.fill = &DSGlassActive();
    } else {
        colours.fill = &DSFill();
    }
    if (state.increasedContrast) {
        colours.stroke = &primary();
    } else if (state.reduceTransparency) {
        colours.stroke = &DSSeparator();
    } else if (state.isOpen) {
        colours.stroke = &DSAccentRing();
    } else {
        colours.stroke = &DSGlassBorder();
    }
    colours.foreground = state.isEnabled ? &primary() : &tertiaryLabel();
    return colours;
}

CapsuleColours quietChip(const CapsuleStateKey& state) {
    CapsuleColours colours;
    // Hovering wins over being open here, unlike on a chip.
    if (state.isEnabled && state.isPressed) {
        colours.fill = &DSFill2();
    } else if (state.isEnabled && state.isHovering) {
        colours.fill = &DSGlassActive();
    } else if (state.isOpen) {
        colours.fill = &DSFill();
    }
    if (state.reduceTransparency && colours.fill) colours.backing = &DSGlassSolid();
    if (state.increasedContrast) {
        colours.stroke = &primary();
    } else if (state.isOpen) {
        colours.stroke = state.reduceTransparency ? &DSSeparator() : &DSGlassBorder();
    }
    if (!state.isEnabled) {
        colours.foreground = &tertiaryLabel();
    } else if (state.isOpen || state.increasedContrast) {
        colours.foreground = &primary();
    } else {
        colours.foreground = &secondary();
    }
    return colours;
}

} // namespace

CapsuleColours chipColours(const CapsuleStateKey& state) {
    return state.role == DSCapsuleButtonStyle::Role::quietChip ? quietChip(state) : chip(state);
}

} // namespace pictavo
