#pragma once
#include "ImageEngine/Model/PixelDimensions.h"
#include "platform/base/Geometry.h"

#include <cstdint>

namespace pictavo {

// Checks the size a vector or PDF document declares.
struct DeclaredSize {
    // The largest side, in pixels, that the engine accepts anywhere.
    static constexpr std::int64_t maximumDimension = 1'000'000;

    // 0 to 1,000,000.
    static bool usable(std::int64_t side);
    static bool usable(int side) { return usable(static_cast<std::int64_t>(side)); }
    // Finite, not negative, at most 1,000,000 once rounded, and either exactly 0 or at
    // least 1 once rounded.
    static bool usable(double side);

    // The rounded sides; a zero side stays 0 (callers treat it as a missing size).
    // Throws ConversionError::imageTooLarge with the sides as given when either is unusable.
    static PixelDimensions pixels(platform::Size size);
};

} // namespace pictavo
