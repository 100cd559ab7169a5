#pragma once
#include <cstdint>

namespace pictavo {

// A size in whole pixels, as the size guards hand it back once they have checked it.
struct PixelDimensions {
    std::int64_t width = 0;
    std::int64_t height = 0;
    friend bool operator==(const PixelDimensions&, const PixelDimensions&) = default;
};

} // namespace pictavo
