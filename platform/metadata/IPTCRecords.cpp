#include "platform/metadata/IPTCRecords.h"

#include "platform/metadata/JPEGSegments.h"

#include <algorithm>
#include <string_view>

namespace platform {
namespace {

constexpr std::string_view photoshopHeader{"Photoshop 3.0\0", 14};
constexpr std::uint16_t iptcResource = 0x0404;
constexpr std::uint16_t iptcTag = 33723;

// Bytes a value of each TIFF type takes, by type number; 0 for a type TIFF does not define.
std::size_t tiffTypeSize(std::uint16_t type) {
    static constexpr std::size_t sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < std::size(sizes) ? sizes[type] : 0;
}

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
    std::size_t at = resources.startsWith(0, photoshopHeader) ? photoshopHeader.size() : 0;
    while (resources.startsWith(at, "8BIM")) {
        const auto id = resources.u16be(at + 4);
        const auto nameLength = resources.u8(at + 6);
        if (!id || !nameLength) return std::nullopt;
        // The name is a Pascal string, padded with its length byte to an even size; so is the data.
        const std::size_t sizeAt = at + 6 + ((*nameLength + 2u) & ~std::size_t{1});
        const auto size = resources.u32be(sizeAt);
        if (!size || !resources.has(sizeAt + 4, *size)) return std::nullopt;
        if (*id == iptcResource) return iptcRecords(resources.sub(sizeAt + 4, *size));
        at = sizeAt + 4 + ((*size + 1u) & ~std::size_t{1});
    }
    return std::nullopt;
}

std::optional<Bytes> tiffIPTC(ByteView tiff) {
    bool bigEndian = false;
    if (tiff.startsWith(0, std::string_view("MM\0*", 4))) bigEndian = true;
    else if (!tiff.startsWith(0, std::string_view("II*\0", 4))) return std::nullopt;
    const auto directory = tiff.u32(4, bigEndian);
    const auto entries = directory ? tiff.u16(*directory, bigEndian) : std::nullopt;
    if (!entries) return std::nullopt;
    for (std::size_t index = 0; index < *entries; ++index) {
        const std::size_t entry = *directory + 2 + 12 * index;
        const auto tag = tiff.u16(entry, bigEndian);
        if (!tag) return std::nullopt;
        if (*tag != iptcTag) continue;
        const auto type = tiff.u16(entry + 2, bigEndian);
        const auto count = tiff.u32(entry + 4, bigEndian);
        if (!type || !count) return std::nullopt;
        const std::uint64_t size = std::uint64_t{*count} * tiffTypeSize(*type);
        if (size == 0 || size > tiff.size()) return std::nullopt;
        if (size <= 4) return iptcRecords(tiff.sub(entry + 8, static_cast<std::size_t>(size)));
        const auto offset = tiff.u32(entry + 8, bigEndian);
        if (!offset) return std::nullopt;
        return iptcRecords(tiff.sub(*offset, static_cast<std::size_t>(size)));
    }
    return std::nullopt;
}

std::optional<Bytes> jpegIPTC(ByteView jpeg) {
    std::optional<Bytes> records;
    Bytes block;
    const auto endBlock = [&] {
        if (!records && !block.empty()) records = photoshopIPTC(ByteView(block.data(), block.size()));
        block.clear();
    };
    forEachJPEGSegment(jpeg, [&](std::uint8_t marker, ByteView payload) {
        if (marker != jpegAPP13 || !payload.startsWith(0, photoshopHeader)) {
            endBlock();
            return true;
        }
        block.insert(block.end(), payload.data() + photoshopHeader.size(), payload.data() + payload.size());
        return true;
    });
    endBlock();
    return records;
}

std::vector<Bytes> photoshopSegmentsWithIPTC(const Bytes& records, std::size_t largestPayload) {
    const std::size_t padding = records.size() % 2;
    // Sized once and filled in place: g++ 12 misreads inserts that grow a short vector as
    // writing out of bounds.
    Bytes resources(12 + records.size() + padding, 0);
    auto cursor = std::copy_n("8BIM", 4, resources.begin());
    *cursor++ = iptcResource >> 8;
    *cursor++ = iptcResource & 0xFF;
    cursor += 2; // an empty name, padded to two bytes
    for (int shift = 24; shift >= 0; shift -= 8) *cursor++ = static_cast<std::uint8_t>(records.size() >> shift);
    std::copy(records.begin(), records.end(), cursor);

    const std::size_t room = std::max<std::size_t>(largestPayload, photoshopHeader.size() + 1) - photoshopHeader.size();
    std::vector<Bytes> segments;
    for (std::size_t offset = 0; offset < resources.size(); offset += room) {
        const std::size_t size = std::min(room, resources.size() - offset);
        Bytes segment(photoshopHeader.size() + size);
        std::copy(resources.begin() + static_cast<std::ptrdiff_t>(offset),
                  resources.begin() + static_cast<std::ptrdiff_t>(offset + size),
                  std::copy(photoshopHeader.begin(), photoshopHeader.end(), segment.begin()));
        segments.push_back(std::move(segment));
    }
    return segments;
}

} // namespace platform
