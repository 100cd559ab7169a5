#include "ImageEngine/Stages/Redraw.h"

namespace pictavo {

platform::ImageRef redrawn(const platform::ImageRef& image, std::int64_t width, std::int64_t height,
                           const platform::ColourSpaceRef& space, platform::BitmapLayout layout) {
    const platform::Rect whole{{0, 0}, {static_cast<double>(width), static_cast<double>(height)}};
    return redrawn(image, width, height, space, layout, whole);
}

platform::ImageRef redrawn(const platform::ImageRef& image, std::int64_t width, std::int64_t height,
                           const platform::ColourSpaceRef& space, platform::BitmapLayout layout,
                           const platform::Rect& placement) {
    auto context = platform::BitmapContext::create(width, height, space, layout);
    if (!context) return nullptr;
    context->setInterpolation(platform::Interpolation::high);
    if (!context->draw(image, placement)) return nullptr;
    return context->makeImage();
}

} // namespace pictavo
