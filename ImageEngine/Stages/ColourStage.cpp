#include "ImageEngine/Stages/ColourStage.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Stages/Redraw.h"

#include <algorithm>
#include <memory>

namespace pictavo {

namespace {

using platform::AlphaInfo;

// Straight colour from premultiplied RGBA, rounded to nearest; a clear pixel keeps black.
platform::Bytes unpremultiplied(const platform::Image& drawn) {
    platform::Bytes pixels(drawn.data(), drawn.data() + drawn.bytesPerRow() * static_cast<std::size_t>(drawn.height()));
    for (std::int64_t y = 0; y < drawn.height(); ++y) {
        std::uint8_t* pixel = pixels.data() + static_cast<std::size_t>(y) * drawn.bytesPerRow();
        for (std::int64_t x = 0; x < drawn.width(); ++x, pixel += 4) {
            const unsigned alpha = pixel[3];
            if (alpha == 255) continue;
            for (int c = 0; c < 3; ++c)
                pixel[c] = alpha == 0 ? 0 : static_cast<std::uint8_t>(std::min(255u, (pixel[c] * 255u + alpha / 2) / alpha));
        }
    }
    return pixels;
}

platform::ImageRef asRGB8(const platform::ImageRef& image) {
    const auto& own = image->colourSpace();
    platform::ColourSpaceRef space =
        own && own->model() == platform::ColourModel::rgb ? own : platform::ColourSpace::sRGB();
    if (!image->hasAlphaChannel())
        return redrawn(image, image->width(), image->height(), space, platform::BitmapLayout::noneSkipLast);
    // Drawing composes in premultiplied colour; the encoder reads it straight.
    platform::ImageRef drawn =
        redrawn(image, image->width(), image->height(), space, platform::BitmapLayout::premultipliedLast);
    if (!drawn) return nullptr;
    auto straight = std::make_shared<const platform::Bytes>(unpremultiplied(*drawn));
    return platform::Image::make(drawn->width(), drawn->height(), 8, 4, AlphaInfo::last, space, std::move(straight),
                                 drawn->bytesPerRow());
}

// Grey stays in its own grey space and RGB in its own RGB space; every other model (CMYK,
// Lab, indexed, untagged) is drawn into sRGB. Drawn without alpha, transparency lies on
// black: the conversion has flattened it on the matte before this.
platform::ImageRef asOpaqueGreyOrRGB8(const platform::ImageRef& image) {
    const auto& own = image->colourSpace();
    const auto model = own ? own->model() : platform::ColourModel::unknown;
    if (model == platform::ColourModel::monochrome)
        return redrawn(image, image->width(), image->height(), own, platform::BitmapLayout::greyNone);
    platform::ColourSpaceRef space = model == platform::ColourModel::rgb ? own : platform::ColourSpace::sRGB();
    return redrawn(image, image->width(), image->height(), space, platform::BitmapLayout::noneSkipLast);
}

} // namespace

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

bool ColourStage::isTakenAsItIs(EncoderIntake intake, const platform::Image& image) {
    if (intake == EncoderIntake::anyPixels) return true;
    const auto& space = image.colourSpace();
    if (intake == EncoderIntake::opaqueGreyOrRGB8) {
        if (image.bitsPerComponent() != 8 || !space) return false;
        const int components = image.componentsPerPixel();
        if (space->model() == platform::ColourModel::monochrome)
            return components == 1 && image.alphaInfo() == AlphaInfo::none;
        if (space->model() != platform::ColourModel::rgb) return false;
        return (components == 3 && image.alphaInfo() == AlphaInfo::none) ||
               (components == 4 && image.alphaInfo() == AlphaInfo::noneSkipLast);
    }
    if (image.bitsPerComponent() != 8 || !space || space->model() != platform::ColourModel::rgb) return false;
    if (image.componentsPerPixel() == 3) return image.alphaInfo() == AlphaInfo::none;
    return image.componentsPerPixel() == 4 &&
           (image.alphaInfo() == AlphaInfo::last || image.alphaInfo() == AlphaInfo::noneSkipLast);
}

platform::ImageRef ColourStage::forIntake(EncoderIntake intake, const platform::ImageRef& image) {
    if (!image || isTakenAsItIs(intake, *image)) return image;
    return intake == EncoderIntake::opaqueGreyOrRGB8 ? asOpaqueGreyOrRGB8(image) : asRGB8(image);
}

} // namespace pictavo
