#include "app/desktop/KeyboardHandBack.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>

#include <algorithm>

namespace pictavo {

void KeyboardHandBack::install() {
    static const bool installed = [] {
        qApp->installEventFilter(new KeyboardHandBack(qApp));
        return true;
    }();
    (void)installed;
}

bool KeyboardHandBack::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show && event->type() != QEvent::Hide) return false;
    auto* panel = qobject_cast<QDialog*>(watched);
    if (!panel || !panel->isWindow()) return false;
    if (event->type() == QEvent::Show) {
        // Modality is only known while the panel shows: exec() sets it and takes it back after.
        if (panel->isModal() || panel->windowModality() != Qt::NonModal) remember(panel);
        return false;
    }
    const auto found = std::find_if(open_.begin(), open_.end(), [&](const Origin& each) { return each.panel == panel; });
    if (found == open_.end()) return false;
    const Origin origin = *found;
    open_.erase(found);
    // After whatever the panel's answer starts (an import, an export), which may disable the
    // control that had the keyboard.
    if (origin.window) QTimer::singleShot(0, origin.window, [origin] { handBack(origin); });
    return false;
}

void KeyboardHandBack::remember(QWidget* panel) {
    std::erase_if(open_, [&](const Origin& each) { return !each.panel || each.panel == panel; });
    QWidget* window = panel->parentWidget() ? panel->parentWidget()->window() : QApplication::activeWindow();
    if (!window || window == panel) return;
    open_.push_back({panel, window, window->focusWidget()});
}

void KeyboardHandBack::handBack(const Origin& origin) {
    QWidget* window = origin.window;
    // A panel that follows (the folder panel after a question) hands back when it closes.
    const QWidget* modal = QApplication::activeModalWidget();
    if (!window || !window->isVisible() || (modal && modal != window)) return;
    window->activateWindow();
    if (!QApplication::activeWindow()) QApplication::setActiveWindow(window);
    QWidget* focus = origin.focus;
    if (!focus || !focus->isVisible() || !focus->isEnabled()) {
        const auto* home = dynamic_cast<const KeyboardHome*>(window);
        focus = home ? home->keyboardHome() : nullptr;
    }
    if (focus) focus->setFocus(Qt::OtherFocusReason);
}

} // namespace pictavo
