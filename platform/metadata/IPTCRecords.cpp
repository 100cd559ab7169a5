#include "platform/metadata/IPTCRecords.h"

#include "platform/metadata/PhotoshopResources.h"

#include <algorithm>
#include <string_view>

namespace platform {
namespace {

constexpr std::uint16_t iptcTag = 33723;

} // namespace

std::optional<Bytes> iptcRecords(ByteView bytes) {
    std::size_t end = 0;
    while (bytes.u8(end) == 0x1C) {
        const auto length = bytes.u16be(end + 3);
        if (!length) break;
        std::size_t header = 5, size = *length;
        // A length with its top bit set counts the bytes of a longer length that follows.
        if (*length & 0x8000) {
            const std::size_t digits = *length & 0x7FFF;
            if (digits == 0 || digits > 4 || !bytes.has(end + header, digits)) break;
            size = 0;
            for (std::size_t i = 0; i < digits; ++i) size = size << 8 | *bytes.u8(end + header + i);
            header += digits;
        }
        if (!bytes.has(end + header, size)) break;
        end += header + size;
    }
    if (end == 0) return std::nullopt;
    return Bytes(bytes.data(), bytes.data() + end);
}

std::optional<Bytes> photoshopIPTC(ByteView resources) {
    for (const auto& resource : photoshopResources(resources))
        if (resource.identifier == photoshopIPTCResource) return iptcRecords(resource.data);
    return std::nullopt;
}

std::optional<Bytes> tiffIPTC(ByteView tiff) {
    const auto value = tiffFirstDirectoryValue(tiff, iptcTag);
    if (!value) return std::nullopt;
    return iptcRecords(*value);
}

std::optional<Bytes> jpegIPTC(ByteView jpeg) {
    for (const Bytes& block : jpegPhotoshopBlocks(jpeg))
        if (auto records = photoshopIPTC(ByteView(block.data(), block.size()))) return records;
    return std::nullopt;
}

std::vector<Bytes> photoshopSegmentsWithIPTC(const std::optional<Bytes>& records, std::size_t largestPayload,
                                             const std::optional<Bytes>& resources) {
    const Bytes block = photoshopBlock(records, resources);
    const std::size_t room = std::max<std::size_t>(largestPayload, photoshopHeader.size() + 1) - photoshopHeader.size();
    std::vector<Bytes> segments;
    for (std::size_t offset = 0; offset < block.size(); offset += room) {
        const std::size_t size = std::min(room, block.size() - offset);
        Bytes segment(photoshopHeader.size() + size);
        std::copy(block.begin() + static_cast<std::ptrdiff_t>(offset),
                  block.begin() + static_cast<std::ptrdiff_t>(offset + size),
                  std::copy(photoshopHeader.begin(), photoshopHeader.end(), segment.begin()));
        segments.push_back(std::move(segment));
    }
    return segments;
}

} // namespace platform
