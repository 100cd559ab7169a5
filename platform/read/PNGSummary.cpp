#include "platform/read/PNGSummary.h"

namespace platform {

std::optional<PNGSummary> summarisePng(ByteView bytes) {
    if (!bytes.startsWith(0, "\x89PNG\r\n\x1A\n") || !bytes.startsWith(12, "IHDR")) return std::nullopt;
    const auto length = bytes.u32be(8);
    const auto width = bytes.u32be(16);
    const auto height = bytes.u32be(20);
    const auto depth = bytes.u8(24);
    const auto colour = bytes.u8(25);
    const auto interlace = bytes.u8(28);
    if (!length || *length != 13 || !width || !height || !depth || !colour || !interlace) return std::nullopt;
    PNGSummary summary{*width, *height, *depth, *colour, false, *interlace != 0, std::nullopt, false};

    // Chunks that matter all come before the first IDAT.
    std::size_t offset = 8 + 12 + 13;
    while (true) {
        const auto chunkLength = bytes.u32be(offset);
        if (!chunkLength || !bytes.has(offset + 4, 4)) break;
        const auto type = bytes.sub(offset + 4, 4);
        if (type.startsWith(0, "IDAT") || type.startsWith(0, "IEND")) break;
        if (type.startsWith(0, "tRNS")) summary.hasTransparencyChunk = true;
        if (type.startsWith(0, "acTL") && *chunkLength >= 8) {
            if (auto frames = bytes.u32be(offset + 8); frames && *frames >= 1) summary.animationFrames = *frames;
        }
        if (type.startsWith(0, "pHYs") && *chunkLength == 9) summary.resolutionHasNoUnit = bytes.u8(offset + 16) == 0;
        const std::uint64_t next = static_cast<std::uint64_t>(offset) + 12 + *chunkLength;
        if (next > bytes.size()) break;
        offset = static_cast<std::size_t>(next);
    }
    return summary;
}

int PNGSummary::decodedBytesPerPixel() const {
    static constexpr int channels[] = {1, 1, 3, 3, 2, 1, 4};
    const int stored = colourType >= 0 && colourType <= 6 ? channels[colourType] : 4;
    return stored * (bitDepth == 16 ? 2 : 1);
}

} // namespace platform
