#pragma once
#include "app/design/DSCapsuleButtonStyle.h"
#include "app/design/DSColour.h"

namespace pictavo {

// Everything the capsule's colours depend on.
struct CapsuleStateKey {
    DSCapsuleButtonStyle::Role role = DSCapsuleButtonStyle::Role::chip;
    bool isOpen = false;
    bool isFilled = false;
    bool isEnabled = true;
    bool isPressed = false;
    bool isHovering = false;
    bool reduceTransparency = false;
    bool increasedContrast = false;

    bool operator==(const CapsuleStateKey&) const = default;
};

// The layers of a capsule from back to front, and its text colour; an absent layer is not drawn.
struct CapsuleColours {
    const DSColour* backing = nullptr;
    const DSColour* fill = nullptr;
    const DSColour* stroke = nullptr;
    const DSColour* foreground = nullptr;
};

CapsuleColours capsuleColours(const CapsuleStateKey& state);
// The colours of the two chip roles.
CapsuleColours chipColours(const CapsuleStateKey& state);

} // namespace pictavo
