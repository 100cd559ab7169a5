#include "app/design/DSPanelWindow.h"

#include "platform/base/MainThread.h"
#include "app/design/DSPanelHandover.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

namespace pictavo {

namespace {

// A window the panel opened (a list popping up from a field inside it) counts as the panel.
bool belongsTo(const QWidget* window, const QWidget* panel) {
    while (window) {
        if (window == panel) return true;
        const QWidget* parent = window->parentWidget();
        window = parent ? parent->window() : nullptr;
    }
    return false;
}

} // namespace

DSPanelWindow::DSPanelWindow(QObject* parent) : QObject(parent) {}

DSPanelWindow::~DSPanelWindow() { close(); }

void DSPanelWindow::place(QWidget* panel, QWidget* anchor, double width, double height) {
    platform::assertMainThread();
    const DSPanelPlacement placement =
        DSPanelPlacement::place(screenRectOf(anchor), visibleFrameFor(anchor), width, height, side_);
    side_ = placement.side;
    placedSize_ = QSizeF(width, height);
    const QRect frame = placement.frame.toAlignedRect().marginsAdded(panel->contentsMargins());
    if (panel->geometry() == frame) return;
    // A window with a parent is still placed in screen coordinates.
    panel->setGeometry(frame);
}

void DSPanelWindow::installMonitors() {
    platform::assertMainThread();
    QPointer<DSPanelWindow> self(this);
    DSEventMonitor& monitor = DSEventMonitor::shared();
    escapeMonitor_ = monitor.addKeyDownMonitor([self](const DSKeyEvent& event) {
        return self && self->handleKeyDown(event);
    });
    mouseMonitor_ = monitor.addMouseDownMonitor([self](const DSMouseEvent& event) {
        return self && self->handleMouseDown(event);
    });
    // The panel belongs to its trigger's window: where that goes, the panel goes along.
    if (anchor_) {
        followed_ = anchor_->window();
        followed_->installEventFilter(this);
    }
    // The focus moves on before the new focus window is known; the check waits one turn.
    QWindow* focusWindow = QGuiApplication::focusWindow();
    focusOwner_ = focusWindow ? DSEventMonitor::widgetWindowOf(focusWindow) : nullptr;
    focusObservers_.push_back(connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [self](QWindow* now) {
        if (!self) return;
        self->previousFocusOwner_ = self->focusOwner_;
        self->focusOwner_ = now ? DSEventMonitor::widgetWindowOf(now) : nullptr;
        QMetaObject::invokeMethod(
            qGuiApp,
            [self] {
                if (self) self->checkFocus();
            },
            Qt::QueuedConnection);
    }));
}

void DSPanelWindow::removeMonitors() {
    DSEventMonitor& monitor = DSEventMonitor::shared();
    for (std::optional<DSEventMonitor::Token>* token : {&escapeMonitor_, &mouseMonitor_}) {
        if (*token) monitor.removeMonitor(**token);
        token->reset();
    }
    for (const QMetaObject::Connection& observer : focusObservers_) disconnect(observer);
    focusObservers_.clear();
    focusOwner_ = nullptr;
    previousFocusOwner_ = nullptr;
    if (followed_) followed_->removeEventFilter(this);
    followed_ = nullptr;
}

bool DSPanelWindow::eventFilter(QObject* watched, QEvent* event) {
    // A window moved by the keyboard or the desktop's tiling takes its open panel along, and one
    // resized may have moved the trigger inside it: its layout does so after the resize has been
    // seen here, so the panel is placed once the event has gone through.
    if (watched == followed_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize) && !followPending_) {
        followPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                followPending_ = false;
                if (panel_ && anchor_) place(panel_, anchor_, placedSize_.width(), placedSize_.height());
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void DSPanelWindow::close() {
    if (!panel_) return;
    removeMonitors();
    QWidget* panel = panel_;
    // A panel closing with the keyboard in it hands the keyboard back to its trigger, as a
    // dialog does to the control that opened it; one left for another window leaves it there.
    const bool hadTheKeyboard = panel->isActiveWindow();
    panel->hide();
    if (hadTheKeyboard && anchor_ && anchor_->isVisible()) {
        anchor_->activateWindow();
        if (anchor_->focusPolicy() & Qt::TabFocus) anchor_->setFocus(Qt::OtherFocusReason);
    }
    // The panel may be closing from inside one of its own event handlers.
    panel->deleteLater();
    panel_ = nullptr;
    anchor_ = nullptr;
    onDismiss_ = nullptr;
}

void DSPanelWindow::dismiss() {
    platform::assertMainThread();
    std::function<void()> onDismiss = onDismiss_;
    if (panel_) close();
    if (onDismiss) onDismiss();
}

std::pair<QWidget*, QWidget*> DSPanelWindow::windows() const {
    QWidget* parentWindow = panel_ && panel_->parentWidget() ? panel_->parentWidget()->window() : nullptr;
    return {parentWindow, panel_.data()};
}

bool DSPanelWindow::handleKeyDown(const DSKeyEvent& event) {
    if (!panel_ || event.key != Qt::Key_Escape) return false;
    const auto [parentWindow, panel] = windows();
    if (!event.window || (event.window != parentWindow && event.window != panel)) return false;
    dismiss();
    return true;
}

// A left or right press outside the panel closes it and goes no further; when it lands on
// another trigger, that trigger's panel opens as the button comes up over it.
bool DSPanelWindow::handleMouseDown(const DSMouseEvent& event) {
    // The middle button pastes on this desktop; it passes on and leaves the panel open.
    if (!panel_ || (event.button != Qt::LeftButton && event.button != Qt::RightButton)) return false;
    // The shadow's margin is the panel's window but shows what lies beneath: a press there is
    // a press outside.
    const QRect shown = panel_->contentsRect().translated(panel_->mapToGlobal(QPoint(0, 0)));
    if (belongsTo(event.window, panel_) && (event.window != panel_ || shown.contains(event.screenPosition.toPoint()))) {
        return false;
    }
    const std::optional<DSPanelHandover::Hit> hit =
        DSPanelHandover::shared().hitTest(anchor_, event.screenPosition);
    dismiss();
    if (hit) DSPanelHandover::shared().armRelease(hit->id, hit->activate);
    return true;
}

void DSPanelWindow::checkFocus() {
    platform::assertMainThread();
    if (!panel_) return;
    QWindow* focusWindow = QGuiApplication::focusWindow();
    QWidget* focus = focusWindow ? DSEventMonitor::widgetWindowOf(focusWindow) : nullptr;
    const auto [parentWindow, panel] = windows();
    // A list of the panel's own that closes leaves no window with the focus on X11: the list
    // only grabbed the keyboard, so nothing hands the focus back. It goes back to the panel.
    const auto isPanelsList = [panel](const QWidget* window) {
        return window && window != panel && belongsTo(window, panel);
    };
    if (!focus && (isPanelsList(focusOwner_) || isPanelsList(previousFocusOwner_))) {
        panel->activateWindow();
        return;
    }
    if (!focus || (focus != parentWindow && !belongsTo(focus, panel))) dismiss();
}

} // namespace pictavo
