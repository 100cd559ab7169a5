#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>

namespace platform {

// What making one image's pixels takes: the pixels themselves, and what the reader holds
// beside them while it makes them (a progressive JPEG's coefficients, a whole frame that an
// interlaced or animated format is decoded into before its rows are handed on).
struct PixelCost {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bytesPerPixel = 0;
    std::uint64_t pixelBytes = 0;
    std::uint64_t workingBytes = 0;
};

// The most bytes one decoded image may take; none means no limit. Checked against the
// declared size before any pixel is decoded, so an oversized image is refused, not attempted.
struct PixelBudget {
    std::optional<std::uint64_t> bytes;
    // Asked, once the decoded size is known and just before decoding, whether pixels of that
    // cost may be made now; false refuses them as over budget. It must answer at once: it is
    // asked in the middle of library work that other conversions may be waiting on.
    std::function<bool(const PixelCost& cost)> grant = {};
    // Asked to stop: a reader that makes its pixels a strip at a time gives up between strips,
    // so that a conversion no longer wanted lets its memory and its processor go at once.
    std::stop_token stop = {};

    bool admits(std::int64_t width, std::int64_t height, int bytesPerPixel) const {
        if (width <= 0 || height <= 0 || bytesPerPixel <= 0) return false;
        if (!bytes) return true;
        const auto w = static_cast<std::uint64_t>(width);
        const auto h = static_cast<std::uint64_t>(height);
        const auto perPixel = static_cast<std::uint64_t>(bytesPerPixel);
        if (w > *bytes / perPixel) return false;
        return h <= *bytes / (w * perPixel);
    }

    // The last word before pixels are made: within the limit, and granted with what the
    // reader holds beside them.
    bool allows(std::int64_t width, std::int64_t height, int bytesPerPixel, std::uint64_t workingBytes = 0) const {
        if (!admits(width, height, bytesPerPixel)) return false;
        if (!grant) return true;
        std::uint64_t total = 0;
        if (__builtin_mul_overflow(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), &total) ||
            __builtin_mul_overflow(total, static_cast<std::uint64_t>(bytesPerPixel), &total))
            return false;
        return grant(PixelCost{width, height, bytesPerPixel, total, workingBytes});
    }
};

} // namespace platform
