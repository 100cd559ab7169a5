#include "app/design/DSSecondaryLabel.h"

#include "app/design/DSPalette.h"

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace {

constexpr double readableContrast = 4.5;

double linear(float component) {
    return component <= 0.04045f ? component / 12.92 : std::pow((component + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

QColor over(const QColor& top, float alpha, const QColor& bottom) {
    const auto mix = [alpha](float above, float below) { return above * alpha + below * (1 - alpha); };
    const QColor a = top.toRgb(), b = bottom.toRgb();
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()));
}

} // namespace

double contrastRatio(const QColor& one, const QColor& other) {
    const double a = luminance(one), b = luminance(other);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor secondaryLabelOver(const QColor& background, DSAppearance appearance) {
    const QColor label =
        (isIncreasedContrast(appearance) ? palette::primary() : palette::secondary()).resolve(appearance);
    // The label colour is black or white at part strength: more of it reads more strongly.
    for (float alpha = label.alphaF(); alpha < 1.0f; alpha += 0.01f) {
        const QColor shown = over(label, alpha, background);
        if (contrastRatio(shown, background) >= readableContrast) return shown;
    }
    return over(label, 1.0f, background);
}

} // namespace pictavo
