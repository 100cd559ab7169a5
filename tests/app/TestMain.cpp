#include "support/RunQtTests.h"

// The stores live on the thread of an application object and deliver work through its event
// loop; the folder panels are real widgets, on the offscreen platform.
int main(int argc, char** argv) { return support::runQtTests(argc, argv, "Pictavo-tests"); }
