#pragma once
#include "app/design/DSAppearance.h"

#include <QObject>
#include <QPalette>

namespace pictavo {

// Standard widgets (text fields, scroll bars, combo boxes, dialogs, menus) draw with the
// application's QPalette, which the design system's theme leaves alone. This keeps it in the
// theme's appearance, made afresh whenever the appearance changes.
class ApplicationPalette : public QObject {
    Q_OBJECT

public:
    // Follows the shared theme from now on; main thread only.
    explicit ApplicationPalette(QObject* parent = nullptr);

    // The palette of the appearance, opaque in every role a style fills with.
    static QPalette make(DSAppearance appearance);

private:
    void apply();
};

} // namespace pictavo
