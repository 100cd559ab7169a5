#pragma once
#include <QSize>

class QWidget;

namespace pictavo {

// The size a top-level window starts at: its usual size, made smaller on a screen with less room
// (a small laptop's), so no part of it starts out of reach.
QSize startingSize(QSize usual, const QWidget* window);

} // namespace pictavo
