#include "support/RunQtTests.h"

// The settings window and the about panel under test are real widgets on the offscreen
// platform; the update checker talks to a real server on the loopback interface.
int main(int argc, char** argv) {
    return support::runQtTests(argc, argv, "Pictavo-preferences-tests", [] { QApplication::setApplicationVersion("1.4"); });
}
