#pragma once
#include <QRect>
#include <QRectF>

#include <optional>

class QWidget;

namespace pictavo {

// Where a floating panel goes beside its trigger, in screen coordinates.
struct DSPanelPlacement {
    enum class Side { below, above };

    QRectF frame;
    Side side = Side::below;

    bool operator==(const DSPanelPlacement&) const = default;

    // The panel goes 4 points below the anchor, or above when only there it fits (or has more
    // room), on the side it had before when it still fits there; it is at most 0.7 of the visible
    // height tall, starts at the anchor's left edge, and stays 8 points inside the visible frame's
    // sides and inside its top and bottom.
    static DSPanelPlacement place(const QRectF& anchor, const QRectF& visibleFrame, double width, double height,
                                  std::optional<Side> preferredSide);
};

// The anchor's rectangle on screen; empty when it is shown in no window.
QRectF screenRectOf(const QWidget* view);
// The part of the anchor's screen that windows may use; empty without a screen.
QRectF visibleFrameFor(const QWidget* view);

} // namespace pictavo
