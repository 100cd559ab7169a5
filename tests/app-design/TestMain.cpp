#include "app/design/DSTheme.h"
#include "support/FixedPreferences.h"
#include "support/RunQtTests.h"

// The design system's widgets need an application object; they run on the offscreen platform.
int main(int argc, char** argv) {
    return support::runQtTests(argc, argv, "Pictavo-design-tests", [] {
        // The tests choose the appearance themselves; the desktop of the machine running them has no say.
        pictavo::DSTheme::shared().setPreferences(std::make_unique<pictavo::FixedPreferences>());
    });
}
