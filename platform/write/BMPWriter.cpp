#include "platform/write/BMPWriter.h"

#include "platform/base/LittleEndianWriter.h"
#include "platform/pixels/PackedPixels.h"

#include <cmath>
#include <limits>
#include <string>

namespace platform {
namespace {

constexpr std::uint32_t fileHeaderSize = 14;
constexpr std::uint32_t infoHeaderSize = 40;

std::int32_t pixelsPerMetre(std::optional<double> dpi) {
    const double value = std::round(dpi.value_or(72) / 0.0254);
    return value > 0 && value < std::numeric_limits<std::int32_t>::max() ? static_cast<std::int32_t>(value) : 2835;
}

} // namespace

Outcome<Bytes> BMPWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                                      std::optional<double>) const {
    if (images.size() != 1 || !images.front()) return std::nullopt;
    const auto pixels = packPixels(*images.front(), PackingRules{.eightBit = true, .keepAlpha = false});
    if (!pixels) return std::nullopt;
    const bool grey = pixels->channels == 1;
    const std::uint64_t width = static_cast<std::uint64_t>(pixels->width);
    const std::uint64_t height = static_cast<std::uint64_t>(pixels->height);
    const std::uint64_t rowStride = (width * (grey ? 1 : 3) + 3) / 4 * 4;
    const std::uint32_t paletteSize = grey ? 256 * 4 : 0;
    const std::uint64_t dataOffset = fileHeaderSize + infoHeaderSize + paletteSize;
    const std::uint64_t imageSize = rowStride * height;
    if (width > std::numeric_limits<std::int32_t>::max() || height > std::numeric_limits<std::int32_t>::max() ||
        dataOffset + imageSize > std::numeric_limits<std::uint32_t>::max())
        return Outcome<Bytes>::failure("BMP holds at most 4294967295 bytes; this image is " + std::to_string(width) +
                                       " \u00D7 " + std::to_string(height) + " pixels");

    Bytes out;
    out.reserve(static_cast<std::size_t>(dataOffset + imageSize));
    LittleEndianWriter le(out);
    le.u8('B');
    le.u8('M');
    le.u32(static_cast<std::uint32_t>(dataOffset + imageSize));
    le.u32(0);
    le.u32(static_cast<std::uint32_t>(dataOffset));
    le.u32(infoHeaderSize);
    le.i32(static_cast<std::int32_t>(width));
    le.i32(static_cast<std::int32_t>(height)); // positive: rows bottom-up
    le.u16(1);
    le.u16(grey ? 8 : 24);
    le.u32(0); // BI_RGB
    le.u32(static_cast<std::uint32_t>(imageSize));
    // A resolution in no unit has no pixels per metre.
    le.i32(pixelsPerMetre(metadata.resolutionHasNoUnit ? std::nullopt : metadata.dpiWidth));
    le.i32(pixelsPerMetre(metadata.resolutionHasNoUnit ? std::nullopt : metadata.dpiHeight));
    le.u32(grey ? 256 : 0);
    le.u32(0);
    for (std::uint32_t i = 0; grey && i < 256; ++i) le.u32(i << 16 | i << 8 | i);

    const std::size_t rowBytes = pixels->rowBytes();
    for (std::uint64_t y = height; y-- > 0;) {
        const std::uint8_t* row = pixels->data() + y * rowBytes;
        const std::size_t start = out.size();
        if (grey) {
            out.insert(out.end(), row, row + rowBytes);
        } else {
            for (std::uint64_t x = 0; x < width; ++x) {
                out.push_back(row[x * 3 + 2]);
                out.push_back(row[x * 3 + 1]);
                out.push_back(row[x * 3]);
            }
        }
        out.resize(start + rowStride, 0);
    }
    return out;
}

} // namespace platform
