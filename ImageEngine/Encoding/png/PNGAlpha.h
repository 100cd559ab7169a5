#pragma once
#include "ImageEngine/Encoding/png/PNGChunks.h"
#include "platform/base/Bytes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Drops an alpha channel that is opaque everywhere: RGBA becomes RGB, grey-alpha becomes
// grey. Lossless, since a PNG without alpha is fully opaque; the colour samples are untouched.
namespace pictavo::PNGAlpha {

struct Reduction {
    platform::Bytes raw;      // unfiltered rows without alpha
    PNGChunks::Header header; // the input's header with the reduced colour type
};

// RGBA or grey-alpha at 8 or 16 bits, with a valid row length.
bool canReduce(const PNGChunks::Header& header);
// Every alpha sample at its maximum, in rows of exactly the header's length.
bool isOpaque(std::span<const std::uint8_t> rows, const PNGChunks::Header& header);
std::optional<Reduction> reduction(std::span<const std::uint8_t> rows, const PNGChunks::Header& header);
// IHDR takes the new colour type and sBIT, which describes the channels, goes; every other
// chunk stays as it is and where it is.
std::vector<PNGChunks::Chunk> rewritingHeader(const std::vector<PNGChunks::Chunk>& chunks,
                                              std::int64_t newColourType);

} // namespace pictavo::PNGAlpha
