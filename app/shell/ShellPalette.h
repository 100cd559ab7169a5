#pragma once
#include <QColor>

namespace pictavo {

// The colours the main window draws with, by role, resolved in the appearance the
// application draws in now. Views resolve again at every paint.
enum class ShellColour {
    accent,
    accentTint,
    accentTintStrong,
    separator,
    structural,
    windowBackground,
    surface,
    checkerboard,
    checkerboardAlt,
    fill,
    fill2,
    keyboardRing,
    orange,
    green,
    red,
    primaryText,
    secondaryText,
    tertiaryText,
};

QColor shellColour(ShellColour colour);
bool isDarkAppearance();

} // namespace pictavo
