#pragma once
#include "platform/base/Bytes.h"
#include "platform/colour/ColourSpace.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// The raw values are the platform's own: the pipeline tests 0, 5 and 6 by number.
enum class AlphaInfo : std::uint32_t {
    none = 0,               // no alpha: grey, RGB or CMYK only
    premultipliedLast = 1,  // RGBA, colour premultiplied by alpha
    premultipliedFirst = 2, // ARGB, premultiplied
    last = 3,               // RGBA, straight alpha
    first = 4,              // ARGB, straight alpha
    noneSkipLast = 5,       // RGBX: a fourth byte that means nothing
    noneSkipFirst = 6,      // XRGB
    alphaOnly = 7,          // a single alpha channel
};

class Image;
using ImageRef = std::shared_ptr<const Image>;

// An immutable bitmap, shared by reference: "the very same image" is the same pointer.
// Components are interleaved in memory order (R,G,B or grey or C,M,Y,K, with alpha or the
// skipped byte first or last as the alpha info says); 16-bit components are native-endian
// uint16, 32-bit ones native float.
class Image {
public:
    // Returns null when the description is inconsistent with the buffer (too short, a row
    // narrower than its pixels, a depth other than 8, 16 or 32, a non-positive side).
    static ImageRef make(std::int64_t width, std::int64_t height, int bitsPerComponent,
                         int componentsPerPixel, AlphaInfo alphaInfo, ColourSpaceRef colourSpace,
                         SharedBytes pixels, std::size_t bytesPerRow);

    std::int64_t width() const { return width_; }
    std::int64_t height() const { return height_; }
    int bitsPerComponent() const { return bitsPerComponent_; }
    int componentsPerPixel() const { return componentsPerPixel_; }
    int bytesPerPixel() const { return componentsPerPixel_ * bitsPerComponent_ / 8; }
    std::size_t bytesPerRow() const { return bytesPerRow_; }
    AlphaInfo alphaInfo() const { return alphaInfo_; }
    bool isFloat() const { return bitsPerComponent_ == 32; }
    const ColourSpaceRef& colourSpace() const { return colourSpace_; }

    // True when one channel carries alpha (straight, premultiplied or alpha-only).
    bool hasAlphaChannel() const;
    bool isPremultiplied() const;
    // Components that carry colour: all but the alpha or skipped one.
    int colourComponents() const;
    // The component that holds alpha, first or last; -1 when there is none.
    int alphaComponent() const;
    // 1 when alpha or the skipped byte comes before the colour, else 0.
    int firstColourComponent() const;

    const std::uint8_t* data() const { return pixels_->data(); }
    const std::uint8_t* row(std::int64_t y) const { return data() + static_cast<std::size_t>(y) * bytesPerRow_; }
    const SharedBytes& buffer() const { return pixels_; }

private:
    Image() = default;
    std::int64_t width_ = 0;
    std::int64_t height_ = 0;
    int bitsPerComponent_ = 8;
    int componentsPerPixel_ = 4;
    std::size_t bytesPerRow_ = 0;
    AlphaInfo alphaInfo_ = AlphaInfo::none;
    ColourSpaceRef colourSpace_;
    SharedBytes pixels_;
};

} // namespace platform
