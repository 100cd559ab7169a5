#pragma once
#include "app/design/DSEventMonitor.h"

#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace pictavo {

// Every live trigger of a menu or panel, so that a press on one of them while another's panel is
// open (a press the open panel swallows) opens that trigger's panel when the button is released
// over it. One per process, on the main thread.
class DSPanelHandover {
public:
    using Activation = std::function<void()>;
    struct Hit {
        const QObject* id;
        Activation activate;
    };

    static DSPanelHandover& shared();

    // Replaces the view's entry, which thereby moves to the end.
    void registerAnchor(QWidget* view, Activation activate);
    void unregisterAnchor(const QObject* view);

    // The first anchor, in registration order, whose frame holds the point; the left-out view is
    // skipped, as is every anchor not shown in a window.
    std::optional<Hit> hitTest(const QWidget* leftOut, QPointF screenPoint) const;
    bool contains(const QObject* id, QPointF screenPoint) const;

    // The next left or right mouse-up anywhere in the application disarms the release; when it
    // happens over the anchor, the anchor's activation runs once that mouse-up has been delivered.
    void armRelease(const QObject* id, Activation activate);
    void removeReleaseMonitor();
    bool isReleaseArmed() const { return releaseMonitor_.has_value(); }

private:
    struct Entry {
        const QObject* id;
        QPointer<QWidget> view;
        Activation activate;
    };

    DSPanelHandover() = default;
    bool release(const QObject* id, const Activation& activate, const DSMouseEvent& event);

    std::vector<Entry> entries_;
    std::optional<DSEventMonitor::Token> releaseMonitor_;
};

} // namespace pictavo
