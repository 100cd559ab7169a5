#pragma once
#include "ImageEngine/Model/ColourPolicy.h"
#include "ImageEngine/Model/EncoderIntake.h"
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

    // The image as an encoder of this intake reads it: the same image when it already is;
    // else, for 8-bit RGB, drawn in its own RGB space (sRGB for grey, CMYK or Lab) four
    // bytes a pixel, its colour straightened again where it has alpha; for opaque 8-bit grey
    // or RGB, grey drawn one byte a pixel in its own grey space and any other model as for
    // 8-bit RGB but without alpha. Null when no bitmap can be made.
    static platform::ImageRef forIntake(EncoderIntake intake, const platform::ImageRef& image);
    static bool isTakenAsItIs(EncoderIntake intake, const platform::Image& image);
};

} // namespace pictavo
