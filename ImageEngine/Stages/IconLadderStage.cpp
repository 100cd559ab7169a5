#include "ImageEngine/Stages/IconLadderStage.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Stages/OrientationStage.h"
#include "ImageEngine/Stages/ResizeStage.h"
#include "platform/pixels/BitmapContext.h"
#include "platform/base/Cancellation.h"

#include <algorithm>
#include <functional>

namespace pictavo {
namespace {

// A side of the drawn picture: rounded, at least 1 pixel.
std::int64_t drawnSide(double side) {
    const auto rounded = platform::toInt64Checked(platform::roundHalfAway(side));
    return std::max<std::int64_t>(1, rounded.value_or(1));
}

platform::ImageRef centredOnCanvas(const platform::ImageRef& drawn, std::int64_t side) {
    auto canvas = platform::BitmapContext::create(side, side, platform::BitmapContext::workingSpaceFor(*drawn),
                                                  platform::BitmapLayout::premultipliedLast);
    if (!canvas) return nullptr;
    canvas->setInterpolation(platform::Interpolation::high);
    const auto width = static_cast<double>(drawn->width());
    const auto height = static_cast<double>(drawn->height());
    const auto s = static_cast<double>(side);
    // Centring is symmetric, so the lower-left origin lands where a top-left one would.
    if (!canvas->draw(drawn, {{(s - width) / 2, (s - height) / 2}, {width, height}})) return nullptr;
    return canvas->makeImage();
}

} // namespace

IconLadderStage::Ladder IconLadderStage::render(const DecodedImage& page, const IconLadder& ladder,
                                                bool allowUpscale, std::stop_token cancellation) {
    platform::Size sourceSize;
    std::function<platform::ImageRef(std::int64_t, std::int64_t)> drawAt;
    if (const auto* vector = page.asVector()) {
        sourceSize = vector->source->intrinsicSize();
        if (!(sourceSize.width > 0) || !(sourceSize.height > 0))
            throw ConversionError::renderFailed(RenderFailure::vectorHasNoSize());
        drawAt = [source = vector->source](std::int64_t w, std::int64_t h) {
            return source->render(static_cast<double>(w), static_cast<double>(h));
        };
    } else {
        const auto* raster = page.asRaster();
        auto upright = OrientationStage::normalise(raster->image, raster->properties.orientation);
        if (!upright) throw ConversionError::renderFailed(RenderFailure::turning());
        sourceSize = {static_cast<double>(upright->width()), static_cast<double>(upright->height())};
        drawAt = [upright](std::int64_t w, std::int64_t h) {
            return ResizeStage::resize(upright, {static_cast<double>(w), static_cast<double>(h)});
        };
    }

    std::vector<std::int64_t> sizes = ladder.pixelSizes;
    std::stable_sort(sizes.begin(), sizes.end(), std::greater<>());
    const double sw = sourceSize.width > 0 ? sourceSize.width : 0;
    const double sh = sourceSize.height > 0 ? sourceSize.height : 0;
    const bool canScale = sw > 0 && sh > 0;
    const double longest = std::max(sw, sh);

    Ladder result;
    for (const std::int64_t side : sizes) {
        platform::throwIfCancelled(cancellation);
        std::int64_t w = 1;
        std::int64_t h = 1;
        if (canScale) {
            const double factor = static_cast<double>(side) / longest;
            double fw = sw * factor;
            double fh = sh * factor;
            if (!allowUpscale) {
                fw = std::min(sw, fw);
                fh = std::min(sh, fh);
            }
            w = drawnSide(fw);
            h = drawnSide(fh);
        }
        if (side > std::max(w, h)) {
            result.dropped.push_back(side);
            continue;
        }
        auto drawn = drawAt(w, h);
        if (!drawn) throw ConversionError::renderFailed(RenderFailure::iconRung(side));
        if (drawn->width() == side && drawn->height() == side) {
            result.images.push_back(std::move(drawn));
            continue;
        }
        auto rung = centredOnCanvas(drawn, side);
        if (!rung) throw ConversionError::renderFailed(RenderFailure::iconRung(side));
        result.images.push_back(std::move(rung));
    }
    if (result.images.empty()) throw ConversionError::sourceTooSmallForIcon(ladder.smallest());
    return result;
}

} // namespace pictavo
