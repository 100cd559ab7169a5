#pragma once

namespace pictavo {

// The look of a capsule-shaped button: its role and the two flags its owner passes.
struct DSCapsuleButtonStyle {
    enum class Role {
        chip,      // a toolbar chip that opens a menu or a panel
        quietChip, // a chip that shows no capsule at rest
        primary,   // the accent button
    };

    Role role = Role::chip;
    // The menu or panel this button opens is showing.
    bool isOpen = false;
    // A filled primary button is the solid accent button, an unfilled one its inert form.
    bool isFilled = false;

    bool operator==(const DSCapsuleButtonStyle&) const = default;
};

} // namespace pictavo
