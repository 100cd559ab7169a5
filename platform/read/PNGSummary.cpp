#include "platform/read/PNGSummary.h"

#include <cstdio>
#include <cstdlib>
#include <string>

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
    PNGSummary summary{*width, *height, *depth, *colour, false, *interlace != 0, std::nullopt, false, false, std::nullopt,
                       std::nullopt};

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
        if (type.startsWith(0, "iCCP") || type.startsWith(0, "sRGB")) summary.namesColourSpace = true;
        if (type.startsWith(0, "gAMA") && *chunkLength == 4) summary.gamma = bytes.u32be(offset + 8);
        if (type.startsWith(0, "cHRM") && *chunkLength == 32 && bytes.has(offset + 8, 32)) {
            std::array<std::uint32_t, 8> values{};
            for (std::size_t i = 0; i < values.size(); ++i) values[i] = *bytes.u32be(offset + 8 + 4 * i);
            summary.chromaticities = values;
        }
        const std::uint64_t next = static_cast<std::uint64_t>(offset) + 12 + *chunkLength;
        if (next > bytes.size()) break;
        offset = static_cast<std::size_t>(next);
    }
    return summary;
}

std::optional<ColourDescription> pngChunkColour(const PNGSummary& summary) {
    if (summary.namesColourSpace || (!summary.gamma && !summary.chromaticities)) return std::nullopt;
    // sRGB's chromaticities as cHRM writes them; tools that compute them write them a few
    // hundred-thousandths apart.
    constexpr std::array<std::uint32_t, 8> sRGBValues{31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000};
    constexpr std::uint32_t sRGBGamma = 45455;
    const auto nearSRGB = [&](std::size_t i) {
        return std::abs(static_cast<long>((*summary.chromaticities)[i]) - static_cast<long>(sRGBValues[i])) <= 100;
    };
    bool sRGBPrimaries = true;
    for (std::size_t i = 0; summary.chromaticities && i < sRGBValues.size(); ++i) sRGBPrimaries = sRGBPrimaries && nearSRGB(i);
    const bool sRGBCurve = !summary.gamma || std::abs(static_cast<long>(*summary.gamma) - static_cast<long>(sRGBGamma)) <= 1;
    if (sRGBPrimaries && sRGBCurve) return std::nullopt;

    ColourDescription description;
    description.chromaticities = sRGBChromaticities();
    if (summary.chromaticities) {
        const auto& values = *summary.chromaticities;
        const auto at = [&](std::size_t i) {
            return Chromaticity{values[2 * i] / 100000.0, values[2 * i + 1] / 100000.0};
        };
        description.chromaticities = {at(0), at(1), at(2), at(3)};
    }
    if (summary.gamma) {
        const double exponent = 100000.0 / *summary.gamma;
        if (!(exponent >= 0.2 && exponent <= 5)) return std::nullopt;
        description.transfer = {TransferCurve::power, exponent};
    }
    // CalRGB is the name PDF gives a space of white point, primaries and gamma.
    std::string name = sRGBPrimaries ? "sRGB primaries" : "Calibrated RGB";
    if (summary.gamma) {
        char exponent[16];
        std::snprintf(exponent, sizeof exponent, "%.2f", description.transfer.exponent);
        name += std::string(", gamma ") + exponent;
    } else {
        name += ", sRGB curve";
    }
    description.name = std::move(name);
    return description;
}

int PNGSummary::decodedBytesPerPixel() const {
    static constexpr int channels[] = {1, 1, 3, 3, 2, 1, 4};
    const int stored = colourType >= 0 && colourType <= 6 ? channels[colourType] : 4;
    return stored * (bitDepth == 16 ? 2 : 1);
}

} // namespace platform
