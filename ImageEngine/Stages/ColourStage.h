#pragma once
#include "ImageEngine/Model/ColourPolicy.h"
#include "platform/pixels/Image.h"

namespace pictavo {

struct ColourStage {
    // Under convertToSRGB, the image redrawn in sRGB unless its space already is sRGB; under
    // preserve, the same image. Throws ConversionError::renderFailed(colour).
    static platform::ImageRef apply(ColourPolicy policy, const platform::ImageRef& image);

    // Whether the image must become sRGB before an encoder that writes no colour space:
    // a tagged RGB image (its colours mean something only with its profile), and any image
    // whose model is neither RGB nor grey (CMYK, Lab), tagged or not, which such a file
    // cannot hold at all. Untagged RGB is already read as sRGB, and grey is written as grey.
    static bool needsSRGBWithoutColourSpace(const platform::Image& image);
};

} // namespace pictavo
