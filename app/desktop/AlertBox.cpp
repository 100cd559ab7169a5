#include "app/desktop/AlertBox.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QSpacerItem>

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace {

// The window manager's buttons, its icon and the margins around the title: generous, since the
// window manager's own font and theme are not known here.
constexpr int titleBarChrome = 160;
// A box never reaches the screen's edges.
constexpr int screenMargin = 48;

} // namespace

AlertBox::AlertBox(QWidget* parent) : QMessageBox(parent) {}

QString AlertBox::titleBarText() const {
    const QString title = windowTitle();
    const QString name = QGuiApplication::applicationDisplayName();
    if (name.isEmpty() || title.endsWith(name)) return title.isEmpty() ? name : title;
    return title.isEmpty() ? name : title + QStringLiteral(" \u2014 ") + name;
}

int AlertBox::titleBarWidth() const {
    QFont bold = font();
    bold.setBold(true);
    // Title fonts run a little larger than the text's on most desktops.
    if (bold.pixelSize() > 0) bold.setPixelSize(int(std::ceil(bold.pixelSize() * 1.15)));
    else bold.setPointSizeF(bold.pointSizeF() * 1.15);
    return int(std::ceil(QFontMetricsF(bold).horizontalAdvance(titleBarText()))) + titleBarChrome;
}

void AlertBox::showEvent(QShowEvent* event) {
    // Before the message box works out its size, which is when it reads its layout.
    makeRoomForTitle();
    QMessageBox::showEvent(event);
}

void AlertBox::makeRoomForTitle() {
    auto* grid = qobject_cast<QGridLayout*>(layout());
    if (!grid) return;
    int width = titleBarWidth();
    if (const QScreen* shownOn = screen()) width = std::min(width, shownOn->availableGeometry().width() - screenMargin);
    // The message box rebuilds its layout when its parts change, and the room goes with it.
    bool present = false;
    for (int index = 0; index < grid->count(); ++index) present = present || grid->itemAt(index) == room_;
    if (!present) {
        room_ = new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
        grid->addItem(room_, grid->rowCount(), 0, 1, grid->columnCount());
    } else {
        room_->changeSize(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
        grid->invalidate();
    }
}

} // namespace pictavo
