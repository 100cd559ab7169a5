#pragma once
#include "app/preferences/UpdateCheck.h"

class QWidget;

namespace pictavo {

// Tells the user how a check they asked for ended; an automatic check speaks only when a
// newer version is out.
void showUpdateCheck(QWidget* parent, const UpdateCheck& check, bool userInitiated);

} // namespace pictavo
