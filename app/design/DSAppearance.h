#pragma once

namespace pictavo {

// The appearance a view is drawn in. The order is the order of a four-way colour's values.
enum class DSAppearance {
    light = 0,
    dark = 1,
    increasedContrastLight = 2,
    increasedContrastDark = 3,
};

inline DSAppearance makeAppearance(bool dark, bool increasedContrast) {
    if (increasedContrast) return dark ? DSAppearance::increasedContrastDark : DSAppearance::increasedContrastLight;
    return dark ? DSAppearance::dark : DSAppearance::light;
}

inline bool isDark(DSAppearance appearance) {
    return appearance == DSAppearance::dark || appearance == DSAppearance::increasedContrastDark;
}

inline bool isIncreasedContrast(DSAppearance appearance) {
    return appearance == DSAppearance::increasedContrastLight || appearance == DSAppearance::increasedContrastDark;
}

} // namespace pictavo
