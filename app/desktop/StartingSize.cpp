#include "app/desktop/StartingSize.h"

#include <QScreen>
#include <QWidget>

namespace pictavo {

QSize startingSize(QSize usual, const QWidget* window) {
    const QScreen* screen = window ? window->screen() : nullptr;
    return screen ? usual.boundedTo(screen->availableGeometry().size()) : usual;
}

} // namespace pictavo
