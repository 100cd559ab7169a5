#pragma once
#include "ImageEngine/Model/MatteColour.h"
#include "platform/pixels/Image.h"

namespace pictavo {

struct AlphaStage {
    // Whether the pixel format carries alpha (straight, premultiplied or alpha only).
    static bool hasAlpha(const platform::Image& image) { return image.hasAlphaChannel(); }
    // Whether any pixel is less than fully opaque once its alpha is brought to 8 bits (so
    // a 16-bit 65534 counts as opaque). Reads the alpha in place, one row at a time, and
    // stops at the first transparent pixel.
    static bool hasVisibleTransparency(const platform::Image& image);
    // The image laid over the matte colour and made opaque; the same image when it has no
    // alpha. Throws ConversionError::renderFailed(background).
    static platform::ImageRef flatten(const platform::ImageRef& image, const MatteColour& matte);
};

} // namespace pictavo
