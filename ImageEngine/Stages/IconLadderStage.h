#pragma once
#include "ImageEngine/Decoding/DecodedImage.h"
#include "ImageEngine/Model/IconLadder.h"
#include "platform/pixels/Image.h"

#include <cstdint>
#include <stop_token>
#include <vector>

namespace pictavo {

struct IconLadderStage {
    struct Ladder {
        // One square image per drawn size, largest first.
        std::vector<platform::ImageRef> images;
        // The sizes the source is too small for, largest first.
        std::vector<std::int64_t> dropped;
    };

    // Draws the page once per size of the ladder, largest first, each fitted into its square
    // and centred on transparency (fractions of a pixel kept). Raster pages are turned
    // upright first and never drawn larger than they are unless `allowUpscale`. Throws
    // ConversionError (vectorHasNoSize, iconRung, sourceTooSmallForIcon, or what turning,
    // resizing or the vector's render throw) and platform::CancellationError between sizes.
    static Ladder render(const DecodedImage& page, const IconLadder& ladder, bool allowUpscale,
                         std::stop_token cancellation = {});
};

} // namespace pictavo
