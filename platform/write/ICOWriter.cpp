#include "platform/write/ICOWriter.h"

#include "platform/base/LittleEndianWriter.h"
#include "platform/write/PNGWriter.h"

#include <limits>

namespace platform {

Outcome<Bytes> ICOWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata&,
                                      std::optional<double>) const {
    constexpr std::int64_t largestSide = 256;
    constexpr std::size_t directorySize = 6;
    constexpr std::size_t entrySize = 16;
    if (images.empty() || images.size() > std::numeric_limits<std::uint16_t>::max()) return std::nullopt;

    std::vector<Bytes> payloads;
    for (const auto& image : images) {
        if (!image || image->width() > largestSide || image->height() > largestSide) return std::nullopt;
        // Icon readers expect 32-bit entries: grey and opaque images become RGBA.
        auto png = PNGWriter::encode(image, PackingRules{.eightBit = true, .colourOnly = true, .alwaysAlpha = true},
                                     CarriedMetadata{}, false);
        if (!png) return std::nullopt;
        payloads.push_back(std::move(*png));
    }

    Bytes out;
    LittleEndianWriter le(out);
    le.u16(0);
    le.u16(1); // icon, not cursor
    le.u16(static_cast<std::uint16_t>(images.size()));
    std::uint64_t offset = directorySize + entrySize * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (offset + payloads[i].size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
        // A side of 256 does not fit in the entry's byte and is written as 0.
        le.u8(static_cast<std::uint8_t>(images[i]->width() % largestSide));
        le.u8(static_cast<std::uint8_t>(images[i]->height() % largestSide));
        le.u8(0);
        le.u8(0);
        le.u16(1);
        le.u16(32);
        le.u32(static_cast<std::uint32_t>(payloads[i].size()));
        le.u32(static_cast<std::uint32_t>(offset));
        offset += payloads[i].size();
    }
    for (const auto& payload : payloads) out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

} // namespace platform
