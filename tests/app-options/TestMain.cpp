#include "app/design/DSTheme.h"
#include "support/FixedPreferences.h"
#include "support/RunQtTests.h"

// The chips and panels are real widgets on the offscreen platform; the tests choose the
// appearance themselves, so the desktop running them has no say.
int main(int argc, char** argv) {
    return support::runQtTests(argc, argv, "Pictavo-options-tests", [] {
        pictavo::DSTheme::shared().setPreferences(std::make_unique<pictavo::FixedPreferences>());
    });
}
