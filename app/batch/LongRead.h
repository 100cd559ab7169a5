#pragma once
#include "ImageEngine/Model/PixelDimensions.h"

#include <cstdint>
#include <optional>

namespace pictavo {

// Whether reading a picture takes long, so that its preview and its estimate go after those of
// the photos beside it: one with more stored pixels than `largePixels`; one in a file longer than
// `largeFileBytes`, whatever sides its header gives (a camera's raw picture lies behind a small
// thumbnail, and the file is read whole); and one whose sides are not known before it is read
// (a drawing, which may hold pictures of any size, or a format whose header is not read here).
struct LongRead {
    static constexpr std::uint64_t largePixels = 64'000'000;
    static constexpr std::int64_t largeFileBytes = 64 * 1024 * 1024;

    static bool of(const std::optional<PixelDimensions>& storedSides, std::int64_t fileBytes) {
        if (fileBytes > largeFileBytes || !storedSides) return true;
        return static_cast<std::uint64_t>(storedSides->width) * static_cast<std::uint64_t>(storedSides->height) >
               largePixels;
    }
};

} // namespace pictavo
