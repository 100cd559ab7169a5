#include "ImageEngine/Encoding/png/PNGAlpha.h"

#include <algorithm>

namespace pictavo::PNGAlpha {
namespace {

std::optional<std::int64_t> reducedColourType(std::int64_t colourType) {
    if (colourType == 6) return 2;
    if (colourType == 4) return 0;
    return std::nullopt;
}

struct Layout {
    std::size_t bytesPerSample;
    std::size_t pixelStride;
    std::size_t expectedLength;
};

// The pixel layout when the rows can hold a reducible image, else none.
std::optional<Layout> layoutOf(std::span<const std::uint8_t> rows, const PNGChunks::Header& header) {
    if (!canReduce(header)) return std::nullopt;
    const auto bytesPerSample = static_cast<std::size_t>(header.bitDepth / 8);
    const auto stride = static_cast<std::size_t>(*header.samplesPerPixel()) * bytesPerSample;
    const auto expected = static_cast<std::size_t>(*header.rowByteCount()) * static_cast<std::size_t>(header.height);
    if (rows.size() != expected) return std::nullopt;
    return Layout{bytesPerSample, stride, expected};
}

} // namespace

bool canReduce(const PNGChunks::Header& header) {
    return reducedColourType(header.colourType) && (header.bitDepth == 8 || header.bitDepth == 16) &&
           header.rowByteCount();
}

bool isOpaque(std::span<const std::uint8_t> rows, const PNGChunks::Header& header) {
    const auto layout = layoutOf(rows, header);
    if (!layout) return false;
    // At these depths rows have no padding, so the buffer is one run of whole pixels.
    const std::size_t alphaOffset = layout->pixelStride - layout->bytesPerSample;
    for (std::size_t pixel = 0; pixel < rows.size(); pixel += layout->pixelStride)
        for (std::size_t byte = 0; byte < layout->bytesPerSample; ++byte)
            if (rows[pixel + alphaOffset + byte] != 0xFF) return false;
    return true;
}

std::optional<Reduction> reduction(std::span<const std::uint8_t> rows, const PNGChunks::Header& header) {
    const auto layout = layoutOf(rows, header);
    if (!layout || !isOpaque(rows, header)) return std::nullopt;
    PNGChunks::Header reduced = header;
    reduced.colourType = *reducedColourType(header.colourType);
    const auto rowBytes = reduced.rowByteCount();
    if (!rowBytes) return std::nullopt;

    const std::size_t colourBytes = layout->pixelStride - layout->bytesPerSample;
    platform::Bytes raw(static_cast<std::size_t>(*rowBytes) * static_cast<std::size_t>(header.height));
    auto out = raw.begin();
    for (std::size_t pixel = 0; pixel < rows.size(); pixel += layout->pixelStride)
        out = std::copy_n(rows.begin() + static_cast<std::ptrdiff_t>(pixel), colourBytes, out);
    return Reduction{std::move(raw), reduced};
}

std::vector<PNGChunks::Chunk> rewritingHeader(const std::vector<PNGChunks::Chunk>& chunks,
                                              std::int64_t newColourType) {
    std::vector<PNGChunks::Chunk> rewritten;
    rewritten.reserve(chunks.size());
    for (const auto& chunk : chunks) {
        if (chunk.type == "sBIT") continue;
        if (chunk.type == "IHDR" && chunk.payload.size() >= 13) {
            platform::Bytes payload(chunk.payload.begin(), chunk.payload.end());
            payload[9] = static_cast<std::uint8_t>(newColourType);
            rewritten.push_back(PNGChunks::Chunk::owning(chunk.type, std::move(payload)));
            continue;
        }
        rewritten.push_back(chunk);
    }
    return rewritten;
}

} // namespace pictavo::PNGAlpha
