#include "app/shell/CardChrome.h"

namespace pictavo {

CardChrome CardChrome::of(bool isSelected, bool isFocused, bool increasedContrast) {
    using C = Colour;
    if (isSelected && isFocused) {
        return {C::accent, increasedContrast ? C::keyboardRing : C::clear, C::accentTintStrong, true};
    }
    if (isSelected) return {C::accent, C::clear, C::accentTint, true};
    if (isFocused) return {increasedContrast ? C::keyboardRing : C::clear, C::clear, C::accentTintStrong, true};
    return {C::clear, C::clear, C::clear, false};
}

} // namespace pictavo
