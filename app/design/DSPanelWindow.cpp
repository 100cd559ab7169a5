#include "app/design/DSPanelWindow.h"

#include "app/desktop/MainThread.h"
#include "app/design/DSPanelHandover.h"

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
    assertMainThread();
    const DSPanelPlacement placement =
        DSPanelPlacement::place(screenRectOf(anchor), visibleFrameFor(anchor), width, height, side_);
    side_ = placement.side;
    const QRect frame = placement.frame.toAlignedRect();
    if (panel->geometry() == frame) return;
    // A window with a parent is still placed in screen coordinates.
    panel->setGeometry(frame);
}

void DSPanelWindow::installMonitors() {
    assertMainThread();
    QPointer<DSPanelWindow> self(this);
    DSEventMonitor& monitor = DSEventMonitor::shared();
    escapeMonitor_ = monitor.addKeyDownMonitor([self](const DSKeyEvent& event) {
        return self && self->handleKeyDown(event);
    });
    mouseMonitor_ = monitor.addMouseDownMonitor([self](const DSMouseEvent& event) {
        return self && self->handleMouseDown(event);
    });
    // The focus moves on before the new focus window is known; the check waits one turn.
    focusObservers_.push_back(connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [self] {
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
}

void DSPanelWindow::close() {
    if (!panel_) return;
    removeMonitors();
    QWidget* panel = panel_;
    panel->hide();
    // The panel may be closing from inside one of its own event handlers.
    panel->deleteLater();
    panel_ = nullptr;
    anchor_ = nullptr;
    onDismiss_ = nullptr;
}

void DSPanelWindow::dismiss() {
    assertMainThread();
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

// A press outside the panel closes it and goes no further; when it lands on another trigger,
// that trigger's panel opens as the button comes up over it.
bool DSPanelWindow::handleMouseDown(const DSMouseEvent& event) {
    if (!panel_) return false;
    if (belongsTo(event.window, panel_)) return false;
    const std::optional<DSPanelHandover::Hit> hit =
        DSPanelHandover::shared().hitTest(anchor_, event.screenPosition);
    dismiss();
    if (hit) DSPanelHandover::shared().armRelease(hit->id, hit->activate);
    return true;
}

void DSPanelWindow::checkFocus() {
    assertMainThread();
    if (!panel_) return;
    QWindow* focusWindow = QGuiApplication::focusWindow();
    const QWidget* focus = focusWindow ? DSEventMonitor::widgetWindowOf(focusWindow) : nullptr;
    const auto [parentWindow, panel] = windows();
    if (!focus || (focus != parentWindow && !belongsTo(focus, panel))) dismiss();
}

} // namespace pictavo
