#include "app/design/DSPanelPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace pictavo {

namespace {

constexpr double gap = 4;
constexpr double sideMargin = 8;
constexpr double heightShare = 0.7;

} // namespace

DSPanelPlacement DSPanelPlacement::place(const QRectF& anchor, const QRectF& visibleFrame, double width,
                                         double height, std::optional<Side> preferredSide) {
    const double cappedHeight = std::min(heightShare * visibleFrame.height(), height);
    const double roomBelow = std::max(0.0, visibleFrame.bottom() - (anchor.bottom() + gap));
    const double roomAbove = std::max(0.0, (anchor.top() - gap) - visibleFrame.top());
    const auto room = [&](Side side) { return side == Side::below ? roomBelow : roomAbove; };

    std::optional<Side> chosen;
    for (const std::optional<Side> candidate : {preferredSide, std::optional(Side::below), std::optional(Side::above)}) {
        if (candidate && room(*candidate) >= cappedHeight) {
            chosen = candidate;
            break;
        }
    }
    const Side side = chosen.value_or(roomAbove > roomBelow ? Side::above : Side::below);
    const double finalHeight = std::min(room(side), cappedHeight);

    double x = anchor.left();
    double y = side == Side::above ? anchor.top() - gap - finalHeight : anchor.bottom() + gap;
    x = std::max(x, visibleFrame.left() + sideMargin);
    x = std::min(x, visibleFrame.right() - width - sideMargin);
    y = std::max(y, visibleFrame.top());
    y = std::min(y, visibleFrame.bottom() - finalHeight);
    return {QRectF(x, y, width, finalHeight), side};
}

QRectF screenRectOf(const QWidget* view) {
    if (!view || !view->isVisible()) return {};
    return QRectF(view->mapToGlobal(QPointF(0, 0)), QSizeF(view->size()));
}

QRectF visibleFrameFor(const QWidget* view) {
    const QScreen* screen = view ? view->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? QRectF(screen->availableGeometry()) : QRectF();
}

} // namespace pictavo
