#pragma once
#include <cstdint>
#include <optional>

namespace platform {

// The most bytes one decoded image may take; none means no limit. Checked against the
// declared size before any pixel is decoded, so an oversized image is refused, not attempted.
struct PixelBudget {
    std::optional<std::uint64_t> bytes;

    bool admits(std::int64_t width, std::int64_t height, int bytesPerPixel) const {
        if (width <= 0 || height <= 0 || bytesPerPixel <= 0) return false;
        if (!bytes) return true;
        const auto w = static_cast<std::uint64_t>(width);
        const auto h = static_cast<std::uint64_t>(height);
        const auto perPixel = static_cast<std::uint64_t>(bytesPerPixel);
        if (w > *bytes / perPixel) return false;
        return h <= *bytes / (w * perPixel);
    }
};

} // namespace platform
