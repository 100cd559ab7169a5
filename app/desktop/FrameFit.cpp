#include "app/desktop/FrameFit.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace pictavo {

QRect fittedFrame(const QRect& frame, const QMargins& frameMargins, const QRect& available, const QSize& minimumSize) {
    const QSize chrome(frameMargins.left() + frameMargins.right(), frameMargins.top() + frameMargins.bottom());
    const QSize room = available.size() - chrome;
    const QSize client = (frame.size() - chrome).boundedTo(room).expandedTo(minimumSize.boundedTo(room));
    const QSize size = client + chrome;
    const int x =
        std::max(available.left(), std::min(frame.left(), available.left() + available.width() - size.width()));
    const int y =
        std::max(available.top(), std::min(frame.top(), available.top() + available.height() - size.height()));
    return QRect(QPoint(x, y), size);
}

FrameFit::FrameFit(QWidget& window) : QObject(&window), window_(window) { window_.installEventFilter(this); }

bool FrameFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_) return false;
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
        // The window manager's frame arrives after the window shows, with a move or a resize.
        if (window_.isVisible()) fitIfFramedAnew();
        break;
    default:
        break;
    }
    return false;
}

void FrameFit::fitIfFramedAnew() {
    const QRect frame = window_.frameGeometry();
    const QRect inner = window_.geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                           frame.bottom() - inner.bottom());
    if (fitted_ && margins == margins_) return;
    // A full-screen or maximised window is where the window manager means it to be.
    if (window_.windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized)) return;
    const QScreen* screen = window_.screen();
    if (!screen) return;
    fitted_ = true;
    margins_ = margins;
    const QRect fitted = fittedFrame(frame, margins, screen->availableGeometry(), window_.minimumSize());
    if (fitted == frame) return;
    // A minimum the screen cannot hold would push the title bar or the far side off it.
    window_.setMinimumSize(window_.minimumSize().boundedTo(fitted.size().shrunkBy(margins)));
    window_.resize(fitted.width() - margins.left() - margins.right(),
                   fitted.height() - margins.top() - margins.bottom());
    // A top-level window's position is its frame's.
    window_.move(fitted.topLeft());
}

} // namespace pictavo
