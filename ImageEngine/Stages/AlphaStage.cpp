#include "ImageEngine/Stages/AlphaStage.h"

#include "ImageEngine/Model/ConversionError.h"
#include "platform/pixels/BitmapContext.h"
#include "platform/pixels/PixelRowConverter.h"

#include <algorithm>
#include <vector>

namespace pictavo {

bool AlphaStage::hasVisibleTransparency(const platform::Image& image) {
    if (!image.hasAlphaChannel()) return false;
    // The converter shares the image rather than owning it: the caller keeps it alive.
    const platform::ImageRef borrowed(std::shared_ptr<const platform::Image>(), &image);
    auto alpha = platform::PixelRowConverter::make(borrowed, platform::PremultipliedChannels::alpha, nullptr);
    if (!alpha) return false;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width()));
    for (std::int64_t y = 0; y < image.height(); ++y) {
        alpha->convert(y, 0, image.width(), row.data());
        if (std::any_of(row.begin(), row.end(), [](std::uint8_t value) { return value != 255; })) return true;
    }
    return false;
}

platform::ImageRef AlphaStage::flatten(const platform::ImageRef& image, const MatteColour& matte) {
    if (!image || !hasAlpha(*image)) return image;
    auto context = platform::BitmapContext::create(image->width(), image->height(),
                                                   platform::BitmapContext::workingSpaceFor(*image),
                                                   platform::BitmapLayout::noneSkipLast);
    if (!context) throw ConversionError::renderFailed(RenderFailure::background());
    const platform::Rect whole{{0, 0}, {static_cast<double>(image->width()), static_cast<double>(image->height())}};
    const auto colour = matte.clampedForDrawing();
    context->fill(whole, {colour.red, colour.green, colour.blue, 1});
    if (!context->draw(image, whole)) throw ConversionError::renderFailed(RenderFailure::background());
    auto flattened = context->makeImage();
    if (!flattened) throw ConversionError::renderFailed(RenderFailure::background());
    return flattened;
}

} // namespace pictavo
