#include "app/preferences/SettingsWindowFit.h"

#include <algorithm>

namespace pictavo {

FitDecision fitWindow(const QRect& frame, const QRect& visible, bool mouseDown, bool windowVisible, bool ownScreen) {
    // y() + height(), not bottom(), which is one pixel short.
    int y = frame.y();
    if (y + frame.height() > visible.y() + visible.height()) y = visible.y() + visible.height() - frame.height();
    if (y < visible.y()) y = visible.y();
    if (!windowVisible || !ownScreen || y == frame.y()) return {FitDecision::Action::stay, frame.y()};
    if (mouseDown) return {FitDecision::Action::waitForRelease, y};
    return {FitDecision::Action::move, y};
}

int availableContentHeight(int visibleHeight, int frameHeight, int contentHeight) {
    return visibleHeight - std::max(0, frameHeight - contentHeight);
}

std::optional<int> cappedHeight(std::optional<int> contentHeight, std::optional<int> room) {
    if (!contentHeight || !room || *room <= 0 || *room >= *contentHeight) return std::nullopt;
    return std::min(*contentHeight, std::max(*room, minimumCappedHeight));
}

} // namespace pictavo
