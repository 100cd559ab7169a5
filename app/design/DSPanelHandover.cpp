#include "app/design/DSPanelHandover.h"

#include "platform/base/MainThread.h"
#include "app/design/DSPanelPlacement.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>

namespace pictavo {

namespace {

bool isHandoverButton(Qt::MouseButton button) { return button == Qt::LeftButton || button == Qt::RightButton; }

} // namespace

DSPanelHandover& DSPanelHandover::shared() {
    static DSPanelHandover handover;
    return handover;
}

void DSPanelHandover::registerAnchor(QWidget* view, Activation activate) {
    platform::assertMainThread();
    unregisterAnchor(view);
    entries_.push_back({view, view, std::move(activate)});
}

void DSPanelHandover::unregisterAnchor(const QObject* view) {
    platform::assertMainThread();
    std::erase_if(entries_, [view](const Entry& entry) { return entry.id == view; });
}

std::optional<DSPanelHandover::Hit> DSPanelHandover::hitTest(const QWidget* leftOut, QPointF screenPoint) const {
    platform::assertMainThread();
    for (const Entry& entry : entries_) {
        if (entry.id == leftOut || !entry.view) continue;
        const QRectF frame = screenRectOf(entry.view);
        if (!frame.isEmpty() && frame.contains(screenPoint)) return Hit{entry.id, entry.activate};
    }
    return std::nullopt;
}

bool DSPanelHandover::contains(const QObject* id, QPointF screenPoint) const {
    const auto entry = std::find_if(entries_.begin(), entries_.end(), [id](const Entry& e) { return e.id == id; });
    if (entry == entries_.end() || !entry->view) return false;
    const QRectF frame = screenRectOf(entry->view);
    return !frame.isEmpty() && frame.contains(screenPoint);
}

void DSPanelHandover::armRelease(const QObject* id, Activation activate) {
    platform::assertMainThread();
    removeReleaseMonitor();
    releaseMonitor_ = DSEventMonitor::shared().addMouseUpMonitor(
        [this, id, activate = std::move(activate)](const DSMouseEvent& event) { return release(id, activate, event); });
}

void DSPanelHandover::removeReleaseMonitor() {
    if (releaseMonitor_) DSEventMonitor::shared().removeMonitor(*releaseMonitor_);
    releaseMonitor_.reset();
}

bool DSPanelHandover::release(const QObject* id, const Activation& activate, const DSMouseEvent& event) {
    if (!isHandoverButton(event.button)) return false;
    platform::assertMainThread();
    removeReleaseMonitor();
    if (contains(id, event.screenPosition)) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [activate] {
                platform::assertMainThread();
                activate();
            },
            Qt::QueuedConnection);
    }
    return false;
}

} // namespace pictavo
