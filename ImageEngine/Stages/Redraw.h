#pragma once
#include "platform/pixels/BitmapContext.h"
#include "platform/pixels/Image.h"

#include <cstdint>

namespace pictavo {

// The whole image drawn into a new bitmap of the given size, space and layout, with high
// interpolation: the one drawing step behind resizing, colour conversion and the grey
// collapse. Null when no bitmap can be made or the image cannot be drawn into it.
platform::ImageRef redrawn(const platform::ImageRef& image, std::int64_t width, std::int64_t height,
                           const platform::ColourSpaceRef& space, platform::BitmapLayout layout);
// The same with the image drawn over `placement` (counted from the lower-left corner, as
// drawing does), which may reach past the bitmap's edges.
platform::ImageRef redrawn(const platform::ImageRef& image, std::int64_t width, std::int64_t height,
                           const platform::ColourSpaceRef& space, platform::BitmapLayout layout,
                           const platform::Rect& placement);

} // namespace pictavo
