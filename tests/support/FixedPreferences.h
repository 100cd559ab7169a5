#pragma once
// For the Qt test programs only: the support library itself links no Qt.
#include "app/design/DSDesktopPreferences.h"
#include "app/design/DSTheme.h"

#include <memory>

namespace pictavo {

// Desktop preferences that the test sets; a change is announced like the desktop's own.
class FixedPreferences : public DSDesktopPreferences {
public:
    std::optional<bool> prefersDark() const override { return dark; }
    bool prefersIncreasedContrast() const override { return increasedContrast; }
    bool prefersReducedTransparency() const override { return reducedTransparency; }
    double textScale() const override { return scale; }

    void set(std::optional<bool> dark_, bool increasedContrast_ = false, bool reducedTransparency_ = false,
             double scale_ = 1.0) {
        dark = dark_;
        increasedContrast = increasedContrast_;
        reducedTransparency = reducedTransparency_;
        scale = scale_;
        Q_EMIT changed();
    }

    std::optional<bool> dark = false;
    bool increasedContrast = false;
    bool reducedTransparency = false;
    double scale = 1.0;
};

// Puts the shared theme under test-controlled preferences for the life of a test, and back to
// light at its end.
class ThemeScope {
public:
    ThemeScope() {
        auto owned = std::make_unique<FixedPreferences>();
        preferences = owned.get();
        DSTheme::shared().setPreferences(std::move(owned));
    }
    ~ThemeScope() { DSTheme::shared().setPreferences(std::make_unique<FixedPreferences>()); }
    ThemeScope(const ThemeScope&) = delete;
    ThemeScope& operator=(const ThemeScope&) = delete;

    FixedPreferences* preferences = nullptr;
};

} // namespace pictavo
