#include "ImageEngine/Model/DeclaredSize.h"

#include "ImageEngine/Model/ConversionError.h"

#include <cmath>

namespace pictavo {

bool DeclaredSize::usable(std::int64_t side) { return side >= 0 && side <= maximumDimension; }

bool DeclaredSize::usable(double side) {
    if (!std::isfinite(side) || side < 0) return false;
    const double rounded = platform::roundHalfAway(side);
    return rounded <= static_cast<double>(maximumDimension) && (side == 0 || rounded >= 1);
}

PixelDimensions DeclaredSize::pixels(platform::Size size) {
    if (!usable(size.width) || !usable(size.height)) throw ConversionError::imageTooLarge(size.width, size.height);
    // Both sides are checked to lie within 0 to 1,000,000, so the conversions are exact.
    return {static_cast<std::int64_t>(platform::roundHalfAway(size.width)),
            static_cast<std::int64_t>(platform::roundHalfAway(size.height))};
}

} // namespace pictavo
