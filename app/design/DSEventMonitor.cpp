#include "app/design/DSEventMonitor.h"

#include "platform/base/MainThread.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

#include <algorithm>

namespace pictavo {

QWidget* DSEventMonitor::widgetWindowOf(QObject* receiver) {
    if (receiver->isWidgetType()) return static_cast<QWidget*>(receiver)->window();
    if (receiver->isWindowType()) {
        const QWindow* window = static_cast<QWindow*>(receiver);
        for (QWidget* topLevel : QApplication::topLevelWidgets()) {
            if (topLevel->windowHandle() == window) return topLevel;
        }
    }
    return nullptr;
}

namespace {

DSKeyEvent keyEventOf(QObject* receiver, const QKeyEvent& event) {
    return {event.key(), event.modifiers(), event.text(), double(event.timestamp()) / 1000.0,
            DSEventMonitor::widgetWindowOf(receiver)};
}

} // namespace

DSEventMonitor& DSEventMonitor::shared() {
    static DSEventMonitor* monitor = new DSEventMonitor();
    return *monitor;
}

DSEventMonitor::DSEventMonitor() {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        moveToThread(application->thread());
        application->installEventFilter(this);
    }
}

DSEventMonitor::Token DSEventMonitor::addMouseDownMonitor(MouseHandler handler) {
    return add({0, Kind::mouseDown, std::move(handler), {}});
}

DSEventMonitor::Token DSEventMonitor::addMouseUpMonitor(MouseHandler handler) {
    return add({0, Kind::mouseUp, std::move(handler), {}});
}

DSEventMonitor::Token DSEventMonitor::addKeyDownMonitor(KeyHandler handler) {
    return add({0, Kind::keyDown, {}, std::move(handler)});
}

DSEventMonitor::Token DSEventMonitor::add(Monitor monitor) {
    platform::assertMainThread();
    monitor.token = nextToken_++;
    monitors_.push_back(std::move(monitor));
    return monitors_.back().token;
}

void DSEventMonitor::removeMonitor(Token token) {
    platform::assertMainThread();
    std::erase_if(monitors_, [token](const Monitor& monitor) { return monitor.token == token; });
}

bool DSEventMonitor::hasMonitor(Token token) const {
    return std::any_of(monitors_.begin(), monitors_.end(),
                       [token](const Monitor& monitor) { return monitor.token == token; });
}

bool DSEventMonitor::dispatch(Kind kind, const std::function<bool(const Monitor&)>& ask) {
    // A handler may add or remove monitors; each one present when the event came is asked,
    // newest first, unless it has been removed by then.
    std::vector<Token> tokens;
    for (const Monitor& monitor : monitors_) {
        if (monitor.kind == kind) tokens.push_back(monitor.token);
    }
    for (auto token = tokens.rbegin(); token != tokens.rend(); ++token) {
        const auto found = std::find_if(monitors_.begin(), monitors_.end(),
                                        [&](const Monitor& monitor) { return monitor.token == *token; });
        if (found == monitors_.end()) continue;
        // The handler may remove its own monitor while it runs.
        const Monitor asked = *found;
        if (ask(asked)) return true;
    }
    return false;
}

bool DSEventMonitor::dispatchMouse(Kind kind, const DSMouseEvent& event) {
    return dispatch(kind, [&event](const Monitor& monitor) { return monitor.mouse(event); });
}

bool DSEventMonitor::dispatchKey(const DSKeyEvent& event) {
    return dispatch(Kind::keyDown, [&event](const Monitor& monitor) { return monitor.key(event); });
}

bool DSEventMonitor::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        // Input reaches its window before the widget under the pointer: acting there sees each
        // press once, and swallowing it there keeps it from every widget.
        if (!watched->isWindowType()) return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool isPress = event->type() == QEvent::MouseButtonPress;
        const DSMouseEvent seen{mouse->button(), mouse->globalPosition(), DSEventMonitor::widgetWindowOf(watched)};
        const bool swallowed = !monitors_.empty() && dispatchMouse(isPress ? Kind::mouseDown : Kind::mouseUp, seen);
        if (isPress) swallowedPress_ = swallowed ? std::optional(mouse->button()) : std::nullopt;
        return swallowed;
    }
    case QEvent::MouseButtonDblClick:
        // The second press of a double click arrives twice, as a press and as a double click;
        // the double click goes where its press went.
        return watched->isWindowType() && swallowedPress_ == static_cast<QMouseEvent*>(event)->button();
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        return filterKey(watched, static_cast<QKeyEvent*>(event));
    default:
        return false;
    }
}

// Every key press is offered to the focus widget as a shortcut override first, before the
// application's shortcuts: that is where the handlers see it, so that a key they take never
// triggers a shortcut. The key press that follows is then swallowed or passed on as they said.
bool DSEventMonitor::filterKey(QObject* watched, QKeyEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const bool propagating = event == overrideInDelivery_ && overrideReceiver_ && watched->isWidgetType() &&
                                 overrideReceiver_->isWidgetType() &&
                                 static_cast<QWidget*>(overrideReceiver_.data())->parentWidget() == watched;
        overrideInDelivery_ = event;
        overrideReceiver_ = watched;
        if (propagating) return false;
        keyPressInDelivery_ = nullptr;
        swallowedKey_.reset();
        keyOffered_ = true;
        if (monitors_.empty() || !dispatchKey(keyEventOf(watched, *event))) return false;
        swallowedKey_ = SwallowedKey{event->key(), event->modifiers(), event->text()};
        event->accept();
        return true;
    }

    if (event == keyPressInDelivery_) return false;
    keyPressInDelivery_ = event;
    if (swallowedKey_) {
        const bool same = swallowedKey_->key == event->key() && swallowedKey_->modifiers == event->modifiers() &&
                          swallowedKey_->text == event->text();
        swallowedKey_.reset();
        keyOffered_ = false;
        if (same) {
            event->accept();
            return true;
        }
    }
    if (keyOffered_) {
        keyOffered_ = false;
        return false;
    }
    // A key press that came without an override, in the middle of a multi-key shortcut.
    if (monitors_.empty() || !dispatchKey(keyEventOf(watched, *event))) return false;
    event->accept();
    return true;
}

} // namespace pictavo
