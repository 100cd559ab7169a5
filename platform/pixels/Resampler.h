#pragma once
#include "platform/pixels/PixelRowConverter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

enum class Interpolation { none, high };

// How one axis of a rectangle drawn into a bitmap takes its values from the source pixels.
// Taps that fall outside the source take the edge pixel, so a draw that fills the bitmap has
// no fringe; the rectangle's own edges show as partial coverage of the pixels they cut.
struct AxisSampling {
    std::int64_t firstDestination = 0; // first destination pixel the rectangle touches
    std::int64_t destinationCount = 0; // pixels touched, clipped to the destination
    std::int64_t firstSource = 0;      // source pixels read: [firstSource, endSource)
    std::int64_t endSource = 0;
    int taps = 0;                      // weights per destination pixel
    int weightBits = 0;                // weights are fixed point with this many fraction bits
    std::vector<std::int64_t> start;   // first source pixel of each destination pixel
    std::vector<std::int16_t> weights; // `taps` weights per destination pixel, summing to 1 << weightBits
    std::vector<float> coverage;       // share of each destination pixel inside the rectangle
    bool identity = false;             // every destination pixel is one whole source pixel

    // `origin` and `length` place the source's `sourceLength` pixels on a destination axis
    // of `destinationLength` pixels; fractions are kept.
    static AxisSampling make(std::int64_t sourceLength, double origin, double length,
                             std::int64_t destinationLength, Interpolation interpolation);
};

// Receives one destination row: premultiplied 8-bit values for the row's touched pixels,
// `channels` per pixel, coverage not yet applied.
using ResampledRow = std::function<void(std::int64_t row, const std::uint8_t* values)>;

// Work on rows [first, end) of a draw, with a converter of its own.
using Band = std::function<void(PixelRowConverter& converter, std::int64_t first, std::int64_t end)>;

// Splits `rowCount` destination rows into bands on up to four threads when the source
// pixels they read make it worthwhile. False when a converter cannot be made.
bool inBands(std::int64_t rowCount, double sourcePixels, const PixelRowConverter::Factory& makeConverter,
             const Band& band);

// Separable resampling of premultiplied, gamma-encoded pixels (as platform drawing does, so
// transparent edges get no dark fringe): Lanczos-3 with its support widened by the
// reduction factor when shrinking, or nearest neighbour, in bands of rows.
// False when a converter cannot be made.
bool resample(const PixelRowConverter::Factory& makeConverter, const AxisSampling& columns, const AxisSampling& rows,
              const ResampledRow& emit);

} // namespace platform
