#pragma once
#include "ImageEngine/Model/Reorientation.h"
#include "platform/pixels/Image.h"

namespace pictavo {

struct AdjustmentStage {
    // The user's turn and flip; the same image when there is none. Throws
    // ConversionError::renderFailed(turning).
    static platform::ImageRef reorient(const platform::ImageRef& image, const Reorientation& reorientation);

    // Red, green and blue each become the Rec. 709 luminance, alpha passes through, and the
    // image keeps its own RGB space. With `collapsingToSingleChannel`, an image that came in
    // without alpha is redrawn as one channel of device grey; images with alpha keep RGBA.
    // Throws ConversionError::renderFailed(greyscale).
    static platform::ImageRef greyscale(const platform::ImageRef& image, bool collapsingToSingleChannel);
};

} // namespace pictavo
