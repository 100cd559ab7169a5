#pragma once
#include "platform/pixels/Image.h"

#include <cstdint>

namespace pictavo {

struct OrientationStage {
    // The stored pixels turned as their EXIF orientation (1 to 8) says a viewer shows them:
    // the same image for 1, else an exact permutation in the image's own depth and colour
    // space. Throws ConversionError::renderFailed(turning).
    static platform::ImageRef normalise(const platform::ImageRef& image, std::uint32_t orientation);
};

} // namespace pictavo
