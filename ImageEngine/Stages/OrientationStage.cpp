#include "ImageEngine/Stages/OrientationStage.h"

#include "ImageEngine/Model/ConversionError.h"
#include "platform/pixels/ImageFilters.h"

namespace pictavo {

platform::ImageRef OrientationStage::normalise(const platform::ImageRef& image, std::uint32_t orientation) {
    if (orientation == 1) return image;
    auto turned = platform::ImageFilters::oriented(image, orientation);
    if (!turned) throw ConversionError::renderFailed(RenderFailure::turning());
    return turned;
}

} // namespace pictavo
