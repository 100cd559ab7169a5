#pragma once
#include "app/design/DSAppearance.h"

#include <QColor>

namespace pictavo {

// The WCAG contrast ratio of two opaque colours, from 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);

// The least contrast the credits' secondary text keeps with its page: the body-text minimum,
// and the stricter one when the desktop asks for more contrast.
double secondaryTextContrast(DSAppearance appearance);

// The design system's secondary label colour as it shows, opaque, over the page (its light or
// dark value as the page is light or dark); where it would read fainter than the minimum
// above it is made as much stronger as it takes.
QColor secondaryText(DSAppearance appearance, const QColor& page);

} // namespace pictavo
