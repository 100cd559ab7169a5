#include "ImageEngine/Stages/AdjustmentStage.h"

#include "ImageEngine/Stages/AlphaStage.h"
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Stages/Redraw.h"
#include "platform/pixels/ImageFilters.h"

namespace pictavo {

platform::ImageRef AdjustmentStage::reorient(const platform::ImageRef& image, const Reorientation& reorientation) {
    const std::uint32_t orientation = reorientation.exifEquivalent();
    if (orientation == 1) return image;
    auto turned = platform::ImageFilters::oriented(image, orientation);
    if (!turned) throw ConversionError::renderFailed(RenderFailure::turning());
    return turned;
}

platform::ImageRef AdjustmentStage::greyscale(const platform::ImageRef& image, bool collapsingToSingleChannel) {
    // Read before the matrix: its output always carries a layout of its own.
    const bool cameWithoutAlpha = image && !AlphaStage::hasAlpha(*image);
    auto grey = platform::ImageFilters::luminanceMatrix(image, platform::LuminanceWeights{});
    if (!grey) throw ConversionError::renderFailed(RenderFailure::greyscale());
    if (!collapsingToSingleChannel || !cameWithoutAlpha) return grey;
    auto collapsed = redrawn(grey, grey->width(), grey->height(), platform::ColourSpace::deviceGray(),
                             platform::BitmapLayout::greyNone);
    if (!collapsed) throw ConversionError::renderFailed(RenderFailure::greyscale());
    return collapsed;
}

} // namespace pictavo
