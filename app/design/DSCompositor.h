#pragma once

namespace pictavo {

// Whether the desktop shows the transparent pixels of a window as transparent: a Wayland
// compositor always does; on X11 only while a compositing manager runs, which can come and go,
// so it is asked again each time a panel opens. Without one a transparent pixel shows black.
bool desktopCompositesWindows();

} // namespace pictavo
