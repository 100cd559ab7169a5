#include "ImageEngine/Stages/ResizeStage.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Stages/Redraw.h"
#include "ImageEngine/Model/RenderTarget.h"

#include <limits>

namespace pictavo {

platform::ImageRef ResizeStage::resize(const platform::ImageRef& image, platform::Size wanted) {
    const auto size = RenderTarget::pixels(wanted, std::numeric_limits<std::int64_t>::max());
    if (image && size.width == image->width() && size.height == image->height()) return image;
    return resize(image, wanted, PictureCoverage{});
}

platform::ImageRef ResizeStage::resize(const platform::ImageRef& image, platform::Size wanted,
                                       const PictureCoverage& coverage) {
    // Only the size rules apply here; the memory budget was checked where the pixels were made.
    const auto size = RenderTarget::pixels(wanted, std::numeric_limits<std::int64_t>::max());
    if (!image) throw ConversionError::renderFailed(RenderFailure::resizing());
    const auto width = static_cast<double>(size.width);
    const auto height = static_cast<double>(size.height);
    const platform::Rect placement{{coverage.left * width, (1 - coverage.bottom) * height},
                                   {(coverage.right - coverage.left) * width, (coverage.bottom - coverage.top) * height}};
    auto resized = redrawn(image, size.width, size.height, platform::BitmapContext::workingSpaceFor(*image),
                           platform::BitmapContext::layoutFor(*image), placement);
    if (!resized) throw ConversionError::renderFailed(RenderFailure::resizing());
    return resized;
}

} // namespace pictavo
