#pragma once
#include "app/design/DSAppearance.h"

#include <QColor>

namespace pictavo {

// The contrast of two opaque colours, from 1:1 to 21:1, as the accessibility guidelines
// measure it: by relative luminance.
double contrastRatio(const QColor& one, const QColor& other);

// What secondary text that must be read (a path, a caption) is drawn in: the secondary label
// colour laid over the background the text sits on, darkened or lightened where that alone
// reads at less than 4.5:1; under increased contrast, the primary label colour. Opaque, so it
// can go into a QPalette, which styles draw with as it stands.
QColor secondaryLabelOver(const QColor& background, DSAppearance appearance);

} // namespace pictavo
