#include "ImageEngine/Stages/ResizeStage.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Stages/Redraw.h"
#include "ImageEngine/Model/RenderTarget.h"

#include <limits>

namespace pictavo {

platform::ImageRef ResizeStage::resize(const platform::ImageRef& image, platform::Size wanted) {
    // Only the size rules apply here; the memory budget was checked where the pixels were made.
    const auto size = RenderTarget::pixels(wanted, std::numeric_limits<std::int64_t>::max());
    if (!image) throw ConversionError::renderFailed(RenderFailure::resizing());
    if (size.width == image->width() && size.height == image->height()) return image;
    auto resized = redrawn(image, size.width, size.height, platform::BitmapContext::workingSpaceFor(*image),
                           platform::BitmapContext::layoutFor(*image));
    if (!resized) throw ConversionError::renderFailed(RenderFailure::resizing());
    return resized;
}

} // namespace pictavo
