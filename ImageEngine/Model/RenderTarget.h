#pragma once
#include "ImageEngine/Model/PixelDimensions.h"
#include "platform/base/Geometry.h"

#include <cstdint>

namespace pictavo {

// The guard in front of every large bitmap: it runs before the memory is asked for, so an
// oversized render fails as an error rather than as an allocation failure.
struct RenderTarget {
    // The rounded sides, a side that rounds to 0 raised to 1 pixel. Throws
    // ConversionError::imageTooLarge with the sides as given when a side is not finite,
    // negative, or above 1,000,000 once rounded; and with the rounded sides when width times
    // height times 4 bytes exceeds the budget.
    static PixelDimensions pixels(platform::Size size, std::int64_t budget);
};

} // namespace pictavo
