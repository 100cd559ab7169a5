#pragma once
#include "app/design/DSAppearance.h"

#include <QColor>

namespace pictavo {

// The contrast of two opaque colours, from 1:1 to 21:1, as the accessibility guidelines
// measure it: by relative luminance.
double contrastRatio(const QColor& one, const QColor& other);

// What secondary text that must be read (a path, a caption, a credit's licence) is drawn in:
// the secondary label colour laid over the background the text sits on, made as much stronger
// as it takes to read at 4.5:1, or 7:1 when the desktop asks for more contrast. The background
// decides between the light and the dark label, should a palette set from elsewhere disagree
// with the theme: a light label on a light page is never legible. Opaque and in 8-bit
// components, so it can go into a QPalette and the colour measured is the colour drawn.
QColor secondaryLabelOver(const QColor& background, DSAppearance appearance);

} // namespace pictavo
