#pragma once
#include "app/design/DSAppearance.h"
#include "app/design/DSDesktopPreferences.h"

#include <QObject>

#include <memory>

namespace pictavo {

// The appearance the whole application draws in and the accessibility settings the design
// system follows. One per process, on the main thread; views repaint on `changed`.
class DSTheme : public QObject {
    Q_OBJECT

public:
    // Made on first use, over the desktop portal's preferences.
    static DSTheme& shared();

    DSAppearance appearance() const { return appearance_; }
    bool increasedContrast() const { return isIncreasedContrast(appearance_); }
    bool reduceTransparency() const { return reduceTransparency_; }
    // Sizes of text, padding and heights scale with the user's preferred text size.
    double typeScale() const { return typeScale_; }

    // Replaces where the preferences come from; the theme follows the new source at once.
    void setPreferences(std::unique_ptr<DSDesktopPreferences> preferences);

Q_SIGNALS:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit DSTheme(std::unique_ptr<DSDesktopPreferences> preferences);
    void refresh();

    std::unique_ptr<DSDesktopPreferences> preferences_;
    DSAppearance appearance_ = DSAppearance::light;
    bool reduceTransparency_ = false;
    double typeScale_ = 1.0;
};

} // namespace pictavo
