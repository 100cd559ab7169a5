#pragma once
#include "platform/base/Geometry.h"
#include "platform/pixels/Image.h"

#include <cstdint>

namespace platform {

// Weights of the colour-matrix greyscale: each of red, green and blue becomes their sum.
struct LuminanceWeights {
    double red = 0.2126;
    double green = 0.7152;
    double blue = 0.0722;
};

// The image operations the platform's image-processing framework supplies, done exactly:
// they keep the image's own colour space, so a wide-gamut photo keeps its gamut.
namespace ImageFilters {

// The image as an orientation tag (1 to 8, EXIF meanings) says a viewer should show it:
// a pure permutation of the pixels, with depth, layout and colour space kept, so opaque
// stays opaque. Orientation 1 or a value outside 1 to 8 gives the same image. Null only
// when memory runs out.
ImageRef oriented(const ImageRef& image, std::uint32_t orientation);

// Every pixel's red, green and blue become the weighted sum of their linear values,
// encoded again with the space's own tone curve; alpha passes through. The result has
// 8 bits per component, in the image's space when that is RGB and sRGB otherwise;
// opaque images stay opaque (RGBX), the others come out premultiplied RGBA. Null when
// the pixels cannot be read or memory runs out.
ImageRef luminanceMatrix(const ImageRef& image, const LuminanceWeights& weights);

// The part of the image inside the rectangle (top-left origin, in pixels, widened to
// whole pixels and cut to the image). Null when nothing of the image is inside.
ImageRef cropped(const ImageRef& image, const Rect& rect);

} // namespace ImageFilters
} // namespace platform
