#include "app/shell/ShellPalette.h"

#include <QGuiApplication>
#include <QPalette>

namespace pictavo {

namespace {

QColor srgb(int red, int green, int blue, double alpha = 1.0) {
    QColor colour(red, green, blue);
    colour.setAlphaF(static_cast<float>(alpha));
    return colour;
}

} // namespace

bool isDarkAppearance() { return QGuiApplication::palette().color(QPalette::Window).lightness() < 128; }

QColor shellColour(ShellColour colour) {
    const bool dark = isDarkAppearance();
    switch (colour) {
    case ShellColour::accent: return dark ? srgb(245, 92, 136) : srgb(215, 46, 105);
    case ShellColour::accentTint: return dark ? srgb(245, 92, 136, 0.16) : srgb(215, 46, 105, 0.12);
    case ShellColour::accentTintStrong: return dark ? srgb(245, 92, 136, 0.34) : srgb(215, 46, 105, 0.28);
    case ShellColour::separator: return dark ? srgb(84, 84, 88, 0.6) : srgb(60, 60, 67, 0.14);
    case ShellColour::structural: return dark ? srgb(235, 235, 245, 0.6) : srgb(60, 60, 67, 0.75);
    case ShellColour::windowBackground: return dark ? srgb(30, 30, 30) : srgb(242, 242, 247);
    case ShellColour::surface: return dark ? srgb(28, 28, 30) : srgb(255, 255, 255);
    case ShellColour::checkerboard: return dark ? srgb(44, 44, 46) : srgb(255, 255, 255);
    case ShellColour::checkerboardAlt: return dark ? srgb(58, 58, 60) : srgb(233, 233, 238);
    case ShellColour::fill: return dark ? srgb(120, 120, 128, 0.24) : srgb(120, 120, 128, 0.12);
    case ShellColour::fill2: return dark ? srgb(120, 120, 128, 0.36) : srgb(120, 120, 128, 0.2);
    case ShellColour::keyboardRing: return dark ? srgb(255, 255, 255) : srgb(0, 0, 0);
    case ShellColour::orange: return dark ? srgb(255, 159, 10) : srgb(255, 149, 0);
    case ShellColour::green: return dark ? srgb(48, 209, 88) : srgb(52, 199, 89);
    case ShellColour::red: return dark ? srgb(255, 69, 58) : srgb(255, 59, 48);
    case ShellColour::primaryText: return dark ? srgb(255, 255, 255, 0.85) : srgb(0, 0, 0, 0.85);
    case ShellColour::secondaryText: return dark ? srgb(255, 255, 255, 0.55) : srgb(0, 0, 0, 0.5);
    case ShellColour::tertiaryText: return dark ? srgb(255, 255, 255, 0.25) : srgb(0, 0, 0, 0.26);
    }
    return {};
}

} // namespace pictavo
