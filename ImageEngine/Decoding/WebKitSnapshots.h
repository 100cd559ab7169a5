#pragma once
#include "ImageEngine/Decoding/BrowserRenderProtocol.h"
#include "platform/pixels/Image.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pictavo {

// The page photographed twice by the browser, once over a white background and once over a
// black one: from the pair, colour and transparency are recovered, since where the page is
// transparent the two differ by exactly what shows through.
struct WebKitSnapshots {
    BrowserRenderProtocol::Snapshot overWhite;
    BrowserRenderProtocol::Snapshot overBlack;

    // One snapshot as premultiplied RGBA rows of width times 4 bytes; nothing when its
    // pixels do not fill its size.
    struct RGBAPixels {
        std::vector<std::uint8_t> bytes;
        std::int64_t width = 0;
        std::int64_t height = 0;
    };
    static std::optional<RGBAPixels> rgbaPixels(const BrowserRenderProtocol::Snapshot& snapshot);

    // The top-left `width` by `height` pixels as premultiplied RGBA in sRGB, the browser's own
    // space. Throws ConversionError::renderFailed when a snapshot cannot be read, when the
    // two differ in size or are smaller than wanted, or when the image cannot be made.
    platform::ImageRef combine(std::int64_t width, std::int64_t height) const;
};

} // namespace pictavo
