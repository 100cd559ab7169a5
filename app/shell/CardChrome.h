#pragma once

namespace pictavo {

// The colours a card wears for its selection and keyboard focus, by role; the palette
// gives each role its value in the current appearance.
struct CardChrome {
    enum class Colour { clear, accent, keyboardRing, accentTint, accentTintStrong };
    Colour outerRing = Colour::clear;
    Colour innerRing = Colour::clear;
    // Of the card's lower area.
    Colour tint = Colour::clear;
    bool isTinted = false;
    friend bool operator==(const CardChrome&, const CardChrome&) = default;

    // Selected cards ring in the accent; a focused card takes the strong tint and the keyboard
    // ring, in every appearance: the tint alone stands out from a card too little to be seen.
    static CardChrome of(bool isSelected, bool isFocused);
};

} // namespace pictavo
