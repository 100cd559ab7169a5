#pragma once
#include "ImageEngine/Decoding/BrowserRenderProtocol.h"
#include "platform/pixels/Image.h"

#include <cstdint>

namespace pictavo {

// The page photographed twice by the browser, once over a white background and once over a
// black one: from the pair, colour and transparency are recovered, since where the page is
// transparent the two differ by exactly what shows through.
struct WebKitSnapshots {
    BrowserRenderProtocol::Snapshot overWhite;
    BrowserRenderProtocol::Snapshot overBlack;

    // The top-left `width` by `height` pixels as premultiplied RGBA in sRGB, the browser's own
    // space. Throws ConversionError::renderFailed when a snapshot cannot be read, when the
    // two differ in size or are smaller than wanted, or when the image cannot be made.
    platform::ImageRef combine(std::int64_t width, std::int64_t height) const;
};

} // namespace pictavo
