#pragma once
#include "platform/base/Bytes.h"
#include "platform/pixels/Image.h"

#include <cstdint>
#include <functional>
#include <optional>

struct _cairo;

namespace platform {

// A transparent bitmap of any size the engine allows, drawn with cairo and handed over as
// sRGB RGBA with premultiplied alpha. Cairo's image surfaces stop at 32,767 pixels a side,
// so a larger bitmap is drawn in tiles that share one buffer.
class DrawingSurface {
public:
    static constexpr std::int64_t largestTileSide = 32'767;

    // Nothing when a side is not positive or the memory cannot be had.
    static std::optional<DrawingSurface> create(std::int64_t width, std::int64_t height);

    // Calls `paint` once per tile with a cairo context whose user space is the whole
    // surface's pixel space, y downwards; false when cairo or `paint` fails.
    using Painter = std::function<bool(_cairo* context)>;
    bool draw(const Painter& paint);

    // The pixels, converted from cairo's order; the surface is empty after.
    ImageRef makeImage();

    std::int64_t width() const { return width_; }
    std::int64_t height() const { return height_; }

private:
    DrawingSurface(std::int64_t width, std::int64_t height, std::shared_ptr<Bytes> pixels)
        : width_(width), height_(height), pixels_(std::move(pixels)) {}

    std::int64_t width_;
    std::int64_t height_;
    std::shared_ptr<Bytes> pixels_;
};

} // namespace platform
