#pragma once

namespace pictavo {

// The pixels an encoder reads as they stand, declared as a saver declares what it saves:
// the conversion draws any other image into them before it encodes, so that colour is
// converted in one place and no encoder redraws.
enum class EncoderIntake {
    // Any depth, model and alpha the pipeline makes.
    anyPixels,
    // 8-bit components in an RGB colour space: three a pixel without alpha, or four with
    // straight alpha or an unused fourth byte last.
    rgb8,
    // 8-bit components without alpha: one a pixel in a grey colour space, or three, or four
    // with an unused fourth byte last, in an RGB one.
    opaqueGreyOrRGB8,
};

} // namespace pictavo
