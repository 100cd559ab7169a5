#pragma once

#include <QIcon>

namespace pictavo {

// The application's icon, carried inside the executable: a window started from the build
// folder, before anything is installed, shows it too, and the installed copy is the same file.
QIcon applicationIcon();

} // namespace pictavo
