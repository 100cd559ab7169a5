#pragma once
#include "platform/base/ByteView.h"
#include "platform/colour/DescribedColourSpace.h"

#include <array>
#include <cstdint>
#include <optional>

namespace platform {

// What the chunks before a PNG's pixel data declare. Read by the reader itself so that
// the size is known even when a decoder would refuse the image, and so that an animated
// PNG is recognised from its acTL chunk, which the system's PNG library ignores.
struct PNGSummary {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    bool hasTransparencyChunk = false;
    // Adam7: its rows come in seven passes, so a decoder holds the whole image to hand them on.
    bool interlaced = false;
    // num_frames of the acTL chunk, when the file is an animated PNG.
    std::optional<std::uint32_t> animationFrames;
    // A pHYs chunk of unknown unit: its numbers give the pixels' shape and no resolution.
    bool resolutionHasNoUnit = false;
    // An iCCP or sRGB chunk, which a decoder follows instead of gAMA and cHRM.
    bool namesColourSpace = false;
    // gAMA: the power of light that gives the coded values, × 100000.
    std::optional<std::uint32_t> gamma;
    // cHRM: the white point's and the red, green and blue primaries' x and y, × 100000.
    std::optional<std::array<std::uint32_t, 8>> chromaticities;

    bool hasAlpha() const { return colourType == 4 || colourType == 6 || hasTransparencyChunk; }
    // The least a pixel takes as libvips decodes it: grey, grey and alpha, RGB (a palette's
    // colours too) or RGBA, of 16-bit samples at a depth of 16, else of bytes, whatever
    // transparency a tRNS chunk adds. Colour types the format does not have are counted as
    // the reader refuses them when libvips cannot read the header.
    int decodedBytesPerPixel() const;
};

// Nothing when the bytes do not start with a PNG signature and a well-formed IHDR.
std::optional<PNGSummary> summarisePng(ByteView bytes);

// The colour space the gAMA and cHRM chunks give, where no iCCP or sRGB chunk names one: a
// missing cHRM is sRGB's primaries, a missing gAMA sRGB's curve. Nothing when they give sRGB
// within the rounding of the 1/2.2 gamma that tools write beside sRGB's chromaticities (or beside
// none) as their word for sRGB, so that such a file reads as it always has, and nothing for a
// gamma no picture has (below 1/5 or above 5).
std::optional<ColourDescription> pngChunkColour(const PNGSummary& summary);

} // namespace platform
