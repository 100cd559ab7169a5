#pragma once
#include "ImageEngine/Stages/PictureCoverage.h"
#include "platform/base/Geometry.h"
#include "platform/pixels/Image.h"

namespace pictavo {

struct ResizeStage {
    // The image resampled to the wanted pixel size (rounded, at least 1 pixel a side); the
    // same image when that is its own size. Grey, CMYK and other non-RGB images come out
    // in sRGB, every redraw at 8 bits. Throws ConversionError::imageTooLarge for a size
    // the engine refuses, and renderFailed(resizing) when it cannot be drawn.
    static platform::ImageRef resize(const platform::ImageRef& image, platform::Size wanted);
    // The image, covering that part of the picture, resampled so that the whole picture is
    // drawn at the wanted size; always a new image.
    static platform::ImageRef resize(const platform::ImageRef& image, platform::Size wanted,
                                     const PictureCoverage& coverage);
};

} // namespace pictavo
