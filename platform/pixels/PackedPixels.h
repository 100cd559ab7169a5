#pragma once
#include "platform/base/Bytes.h"
#include "platform/colour/ColourSpace.h"
#include "platform/pixels/Image.h"

#include <cstdint>
#include <optional>

namespace platform {

// Pixels laid out as file writers want them: rows without padding, grey or RGB, with a
// straight (never premultiplied) alpha last when there is one, at 8 or 16 bits
// (native-endian).
struct PackedPixels {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int channels = 0;          // 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
    int bitsPerComponent = 8;  // 8 or 16
    ColourSpaceRef colourSpace; // the space the colour channels are in
    // Shared with the image when its rows are already packed this way, so nothing is copied.
    SharedBytes buffer;

    const std::uint8_t* data() const { return buffer->data(); }

    bool hasAlpha() const { return channels == 2 || channels == 4; }
    std::size_t rowBytes() const {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(channels) * (bitsPerComponent / 8);
    }
};

// What a format can hold; packing converts everything else.
struct PackingRules {
    bool eightBit = false;  // 16-bit and float become 8-bit
    bool keepAlpha = true;  // without, alpha is composited on black, as a drawing without alpha does
    bool colourOnly = false; // grey becomes sRGB
    bool alwaysAlpha = false; // an opaque image gets an alpha channel of 255
};

// The image's pixels packed by the rules. Premultiplied colour is un-premultiplied, float
// is clamped to 0...1 and becomes 16-bit, and colour models a file cannot hold beside grey
// and RGB (CMYK, Lab) are converted to sRGB through the image's own profile, as is grey of a
// profile other than device grey's where grey becomes RGB. Nothing when
// the image cannot be described that way (an indexed space, a component count that does
// not match its colour model).
std::optional<PackedPixels> packPixels(const Image& image, const PackingRules& rules);

} // namespace platform
