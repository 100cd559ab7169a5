#include "app/preferences/SettingsWindowFitter.h"

#include "app/preferences/SettingsWindowFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace pictavo {

SettingsWindowFitter::SettingsWindowFitter(QWidget& window, AvailableDidChange availableDidChange)
    : QObject(&window), window_(window), availableDidChange_(std::move(availableDidChange)),
      canPlaceWindows_(!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
    quiet_.setSingleShot(true);
    quiet_.setInterval(100);
    connect(&quiet_, &QTimer::timeout, this, [this] {
        if (QGuiApplication::mouseButtons() != Qt::NoButton) quiet_.start();
        else refit();
    });
    window_.installEventFilter(this);
    const auto screensChanged = [this] { settleThenRefit(); };
    connect(qApp, &QGuiApplication::screenAdded, this, screensChanged);
    connect(qApp, &QGuiApplication::screenRemoved, this, screensChanged);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, screensChanged);
}

void SettingsWindowFitter::watchScreen(QScreen* screen) {
    if (screen == screen_) return;
    if (screen_) disconnect(screen_, nullptr, this, nullptr);
    screen_ = screen;
    if (screen_) connect(screen_, &QScreen::availableGeometryChanged, this, [this] { settleThenRefit(); });
}

void SettingsWindowFitter::settleThenRefit() {
    if (canPlaceWindows_) quiet_.start();
    else refit();
}

void SettingsWindowFitter::refit() {
    QScreen* screen = window_.screen();
    if (!screen) {
        availableDidChange_(std::nullopt);
        return;
    }
    watchScreen(screen);
    const QRect frame = window_.frameGeometry();
    const QRect visible = screen->availableGeometry();
    availableDidChange_(availableContentHeight(visible.height(), frame.height(), window_.geometry().height()));
    if (!canPlaceWindows_) return;
    const bool ownScreen = window_.windowHandle() && window_.windowHandle()->screen() == screen;
    const FitDecision decision =
        fitWindow(frame, visible, QGuiApplication::mouseButtons() != Qt::NoButton, window_.isVisible(), ownScreen);
    switch (decision.action) {
    case FitDecision::Action::stay:
        quiet_.stop();
        break;
    case FitDecision::Action::waitForRelease:
        if (!quiet_.isActive()) quiet_.start();
        break;
    case FitDecision::Action::move:
        quiet_.stop();
        window_.move(frame.x(), decision.y);
        break;
    }
}

bool SettingsWindowFitter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_) return false;
    switch (event->type()) {
    case QEvent::Show:
        if (QWindow* handle = window_.windowHandle())
            connect(handle, &QWindow::screenChanged, this, &SettingsWindowFitter::settleThenRefit,
                    Qt::UniqueConnection);
        // The first fit, once the window is on screen.
        QTimer::singleShot(0, this, &SettingsWindowFitter::refit);
        break;
    case QEvent::Move:
    case QEvent::Resize:
        settleThenRefit();
        break;
    case QEvent::Hide:
    case QEvent::Close:
        quiet_.stop();
        break;
    default:
        break;
    }
    return false;
}

} // namespace pictavo
