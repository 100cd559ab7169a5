#include "AccessibilityBus.h"
#include "support/RunQtTests.h"

#include <QLocale>

// The application's real window on a real X server: tools/test runs this program under
// xvfb-run. Without a display the tests can still be listed, and each one says it was skipped.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const support::AccessibilityBus bus;
    return support::runQtTests(argc, argv, "Pictavo-window-tests",
                               [] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); });
}
