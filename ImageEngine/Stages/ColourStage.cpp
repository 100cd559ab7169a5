#include "ImageEngine/Stages/ColourStage.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Stages/Redraw.h"

namespace pictavo {

platform::ImageRef ColourStage::apply(ColourPolicy policy, const platform::ImageRef& image) {
    if (policy == ColourPolicy::preserve) return image;
    if (image && image->colourSpace() && image->colourSpace()->isSRGB()) return image;
    if (!image) throw ConversionError::renderFailed(RenderFailure::colour());
    auto converted = redrawn(image, image->width(), image->height(), platform::ColourSpace::sRGB(),
                             platform::BitmapContext::layoutFor(*image));
    if (!converted) throw ConversionError::renderFailed(RenderFailure::colour());
    return converted;
}

bool ColourStage::needsSRGBWithoutColourSpace(const platform::Image& image) {
    const auto& space = image.colourSpace();
    if (space) return space->model() != platform::ColourModel::monochrome && !space->isSRGB();
    // Untagged pixels are read by their component count: 1 grey, 3 RGB, 4 CMYK.
    return image.colourComponents() == 4;
}

} // namespace pictavo
