#include "app/shell/CardChrome.h"

namespace pictavo {

CardChrome CardChrome::of(bool isSelected, bool isFocused) {
    using C = Colour;
    if (isSelected && isFocused) return {C::accent, C::keyboardRing, C::accentTintStrong, true};
    if (isSelected) return {C::accent, C::clear, C::accentTint, true};
    if (isFocused) return {C::keyboardRing, C::clear, C::accentTintStrong, true};
    return {C::clear, C::clear, C::clear, false};
}

} // namespace pictavo
