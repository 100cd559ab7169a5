#include "ImageEngine/Stages/Redraw.h"

namespace pictavo {

platform::ImageRef redrawn(const platform::ImageRef& image, std::int64_t width, std::int64_t height,
                           const platform::ColourSpaceRef& space, platform::BitmapLayout layout) {
    auto context = platform::BitmapContext::create(width, height, space, layout);
    if (!context) return nullptr;
    context->setInterpolation(platform::Interpolation::high);
    const platform::Rect whole{{0, 0}, {static_cast<double>(width), static_cast<double>(height)}};
    if (!context->draw(image, whole)) return nullptr;
    return context->makeImage();
}

} // namespace pictavo
