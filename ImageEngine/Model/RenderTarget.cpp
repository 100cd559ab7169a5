#include "ImageEngine/Model/RenderTarget.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/DeclaredSize.h"

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace {
bool drawable(double side) {
    return std::isfinite(side) && side >= 0 &&
           platform::roundHalfAway(side) <= static_cast<double>(DeclaredSize::maximumDimension);
}
} // namespace

PixelDimensions RenderTarget::pixels(platform::Size size, std::int64_t budget) {
    if (!drawable(size.width) || !drawable(size.height)) throw ConversionError::imageTooLarge(size.width, size.height);
    const auto width = std::max<std::int64_t>(static_cast<std::int64_t>(platform::roundHalfAway(size.width)), 1);
    const auto height = std::max<std::int64_t>(static_cast<std::int64_t>(platform::roundHalfAway(size.height)), 1);
    // At most 10^6 by 10^6 by 4 = 4 * 10^12 bytes: no overflow.
    if (budget >= width * height * 4) return {width, height};
    throw ConversionError::imageTooLarge(static_cast<double>(width), static_cast<double>(height));
}

} // namespace pictavo
