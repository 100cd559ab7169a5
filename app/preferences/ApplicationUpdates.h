#pragma once
#include "app/preferences/UpdateController.h"

namespace pictavo {

// The application's one update controller over the feed this build was made with, made on
// first use and owned by the application object; its check results are shown to the user.
UpdateController& applicationUpdates();

} // namespace pictavo
