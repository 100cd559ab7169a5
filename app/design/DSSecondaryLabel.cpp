#include "app/design/DSSecondaryLabel.h"

#include "app/design/DSPalette.h"

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace {

double linear(double component) {
    return component <= 0.04045 ? component / 12.92 : std::pow((component + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

QColor over(const QColor& top, double alpha, const QColor& bottom) {
    const auto mix = [alpha](int above, int below) { return int(std::lround(above * alpha + below * (1 - alpha))); };
    const QColor a = top.toRgb(), b = bottom.toRgb();
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

} // namespace

double contrastRatio(const QColor& one, const QColor& other) {
    const double a = luminance(one), b = luminance(other);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor secondaryLabelOver(const QColor& background, DSAppearance appearance) {
    const bool darkBackground = background.toRgb().lightnessF() < 0.5;
    const bool increased = isIncreasedContrast(appearance);
    const QColor label = palette::secondary().resolve(makeAppearance(darkBackground, increased));
    const double wanted = increased ? 7.0 : 4.5;
    // The label colour is black or white at part strength: more of it reads more strongly.
    for (int alpha = label.alpha(); alpha < 255; ++alpha) {
        const QColor shown = over(label, alpha / 255.0, background);
        if (contrastRatio(shown, background) >= wanted) return shown;
    }
    return over(label, 1.0, background);
}

} // namespace pictavo
