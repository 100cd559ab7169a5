#include "platform/vector/DrawingSurface.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace platform {

std::optional<DrawingSurface> DrawingSurface::create(std::int64_t width, std::int64_t height) {
    if (width < 1 || height < 1) return std::nullopt;
    // The row length is an int for cairo; 4 bytes by a million pixels is far inside it.
    if (width > (std::int64_t{1} << 28)) return std::nullopt;
    try {
        auto pixels = std::make_shared<Bytes>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
        return DrawingSurface(width, height, std::move(pixels));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::length_error&) {
        return std::nullopt;
    }
}

bool DrawingSurface::draw(const Painter& paint) {
    if (!pixels_) return false;
    const auto stride = static_cast<int>(width_ * 4);
    for (std::int64_t top = 0; top < height_; top += largestTileSide) {
        for (std::int64_t left = 0; left < width_; left += largestTileSide) {
            const auto tileWidth = static_cast<int>(std::min(largestTileSide, width_ - left));
            const auto tileHeight = static_cast<int>(std::min(largestTileSide, height_ - top));
            auto* origin = pixels_->data() + static_cast<std::size_t>(top) * static_cast<std::size_t>(stride) +
                           static_cast<std::size_t>(left) * 4;
            cairo_surface_t* surface =
                cairo_image_surface_create_for_data(origin, CAIRO_FORMAT_ARGB32, tileWidth, tileHeight, stride);
            cairo_t* context = cairo_create(surface);
            cairo_translate(context, -static_cast<double>(left), -static_cast<double>(top));
            const bool painted = cairo_status(context) == CAIRO_STATUS_SUCCESS && paint(context) &&
                                 cairo_status(context) == CAIRO_STATUS_SUCCESS;
            cairo_destroy(context);
            cairo_surface_flush(surface);
            const bool surfaceWell = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
            cairo_surface_destroy(surface);
            if (!painted || !surfaceWell) return false;
        }
    }
    return true;
}

ImageRef DrawingSurface::makeImage() {
    if (!pixels_) return nullptr;
    // Cairo keeps each pixel as one native-endian word, alpha in the top byte: B, G, R, A
    // in memory on this machine. The image wants R, G, B, A.
    auto* bytes = pixels_->data();
    const std::size_t count = pixels_->size() / 4;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t word;
        std::memcpy(&word, bytes + i * 4, 4);
        bytes[i * 4 + 0] = static_cast<std::uint8_t>(word >> 16);
        bytes[i * 4 + 1] = static_cast<std::uint8_t>(word >> 8);
        bytes[i * 4 + 2] = static_cast<std::uint8_t>(word);
        bytes[i * 4 + 3] = static_cast<std::uint8_t>(word >> 24);
    }
    SharedBytes shared = std::move(pixels_);
    return Image::make(width_, height_, 8, 4, AlphaInfo::premultipliedLast, ColourSpace::sRGB(), std::move(shared),
                       static_cast<std::size_t>(width_) * 4);
}

} // namespace platform
