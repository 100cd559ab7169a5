#include "ImageEngine/Model/IconLadder.h"

#include <algorithm>

namespace pictavo {

const IconLadder& IconLadder::macOS() {
    static const IconLadder ladder{{1024, 512, 256, 128, 64, 32, 16}};
    return ladder;
}

const IconLadder& IconLadder::windows() {
    static const IconLadder ladder{{256, 48, 32, 16}};
    return ladder;
}

std::optional<IconLadder> IconLadder::forFormat(const OutputFormat& format) {
    const std::string key = format.id();
    if (key == OutputFormat::icns().id()) return macOS();
    if (key == OutputFormat::ico().id()) return windows();
    return std::nullopt;
}

std::int64_t IconLadder::smallest() const {
    if (pixelSizes.empty()) return 0;
    return *std::min_element(pixelSizes.begin(), pixelSizes.end());
}

} // namespace pictavo
