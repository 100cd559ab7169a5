#pragma once
#include <QRect>

#include <optional>

namespace pictavo {

// Where the settings window should be, worked out without a display.
struct FitDecision {
    enum class Action { stay, move, waitForRelease };
    Action action = Action::stay;
    int y = 0; // the top edge to move to
};

// Keeps a frame vertically inside the screen's visible area: the bottom edge first, then the
// top, which wins for a window taller than the area. A hidden window never moves; while a
// mouse button is down the move waits; a window on no screen of its own is left alone.
FitDecision fitWindow(const QRect& frame, const QRect& visible, bool mouseDown, bool windowVisible, bool ownScreen);

// The content height the screen has room for: its visible height less the window's chrome.
int availableContentHeight(int visibleHeight, int frameHeight, int contentHeight);

// The smallest height a capped settings window is given, so that a mis-reported or tiny
// screen still leaves a usable, scrolling form.
inline constexpr int minimumCappedHeight = 160;

// The window's height when the form must scroll; none when it takes its own height. A
// room of zero or less (a mis-reported screen) caps nothing.
std::optional<int> cappedHeight(std::optional<int> contentHeight, std::optional<int> room);

} // namespace pictavo
