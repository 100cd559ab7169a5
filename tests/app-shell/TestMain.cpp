#include "support/RunQtTests.h"

#include <QLocale>

// The windows under test are real widgets on the offscreen platform.
int main(int argc, char** argv) {
    return support::runQtTests(argc, argv, "Pictavo-shell-tests",
                               [] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); });
}
