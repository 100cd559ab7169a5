#include "app/design/DSPanelController.h"

#include "platform/base/MainThread.h"

namespace pictavo {

DSPanelController::DSPanelController(QWidget* anchor, QObject* parent) : QObject(parent), anchor_(anchor) {}

DSPanelController::~DSPanelController() { close(); }

void DSPanelController::show(const ContentFactory& makeContent, int width, std::function<void()> onDismiss) {
    platform::assertMainThread();
    if (!anchor_ || !anchor_->isVisible()) return;
    // The arrow's apex points at the middle of the trigger.
    const double arrowX = anchor_->width() / 2.0 - DSPopoverWindow::arrowWidth / 2.0;
    panel_.close();
    panel_.setOnDismiss(std::move(onDismiss));
    panel_.setAnchor(anchor_);
    auto* window = new DSPopoverWindow(anchor_->window(), width, arrowX, makeContent());
    connect(window, &DSPopoverWindow::fittingHeightChanged, this, &DSPanelController::resize);
    panel_.setPanel(window);
    panel_.clearSide();
    panel_.place(window, anchor_, width, window->fittingHeight());
    window->show();
    // A panel opened from the keyboard (its trigger holds the focus a Tab gave it) shows where
    // the focus is, as a Tab inside it would; one opened with the pointer shows no ring.
    window->setAttribute(Qt::WA_KeyboardFocusChange,
                         anchor_->hasFocus() && anchor_->window()->testAttribute(Qt::WA_KeyboardFocusChange));
    window->focusFirstControl();
    window->raise();
    window->activateWindow();
    panel_.installMonitors();
}

void DSPanelController::close() { panel_.close(); }

void DSPanelController::resize(int height) {
    QWidget* window = panel_.panel();
    QWidget* anchor = panel_.anchor();
    if (!window || !anchor) return;
    panel_.place(window, anchor, panel_.placedSize().width(), height);
}

} // namespace pictavo
