#include "app/preferences/AboutColours.h"

#include "app/design/DSPalette.h"

#include <algorithm>
#include <cmath>

namespace pictavo {
namespace {

double linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

// In 8-bit components, so that the colour measured is the colour drawn.
QColor over(const QColor& top, double alpha, const QColor& bottom) {
    const auto mix = [alpha](int above, int below) { return int(std::lround(above * alpha + below * (1 - alpha))); };
    return QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()), mix(top.blue(), bottom.blue()));
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

double secondaryTextContrast(DSAppearance appearance) { return isIncreasedContrast(appearance) ? 7.0 : 4.5; }

QColor secondaryText(DSAppearance appearance, const QColor& page) {
    // The page decides between the light and the dark label, should a palette set from
    // elsewhere disagree with the theme: a light label on a light page is never legible.
    const bool darkPage = page.lightnessF() < 0.5;
    const QColor label = palette::secondary().resolve(makeAppearance(darkPage, isIncreasedContrast(appearance)));
    const double wanted = secondaryTextContrast(appearance);
    for (int alpha = label.alpha(); alpha < 255; ++alpha) {
        const QColor shown = over(label, alpha / 255.0, page);
        if (contrastRatio(shown, page) >= wanted) return shown;
    }
    return over(label, 1.0, page);
}

} // namespace pictavo
