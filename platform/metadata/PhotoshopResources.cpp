#include "platform/metadata/PhotoshopResources.h"

#include "platform/metadata/JPEGSegments.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace platform {
namespace {

constexpr std::uint16_t iccProfile = 0x040F, untaggedProfile = 0x0411, exifData = 0x0422, exifData3 = 0x0423,
                        xmpMetadata = 0x0424;
// The old form (Photoshop 4) and the current one.
constexpr std::array<std::uint16_t, 2> thumbnails = {0x0409, 0x040C};

// Bytes a value of each TIFF type takes, by type number; 0 for a type TIFF does not define.
std::size_t tiffTypeSize(std::uint16_t type) {
    static constexpr std::size_t sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < std::size(sizes) ? sizes[type] : 0;
}

bool carriedAsItsOwnKind(std::uint16_t identifier) {
    return identifier == photoshopIPTCResource || identifier == iccProfile || identifier == untaggedProfile ||
           identifier == exifData || identifier == exifData3 || identifier == xmpMetadata;
}

void appendBigEndian(Bytes& out, std::uint64_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

} // namespace

std::vector<PhotoshopResource> photoshopResources(ByteView block) {
    std::vector<PhotoshopResource> found;
    std::size_t at = block.startsWith(0, photoshopHeader) ? photoshopHeader.size() : 0;
    while (block.startsWith(at, "8BIM")) {
        const auto identifier = block.u16be(at + 4);
        const auto nameLength = block.u8(at + 6);
        if (!identifier || !nameLength) break;
        // The name is a Pascal string, padded with its length byte to an even size; so is the data.
        const std::size_t sizeAt = at + 6 + ((*nameLength + 2u) & ~std::size_t{1});
        const auto size = block.u32be(sizeAt);
        if (!size || !block.has(sizeAt + 4, *size)) break;
        const std::size_t end = std::min(block.size(), sizeAt + 4 + ((*size + std::size_t{1}) & ~std::size_t{1}));
        found.push_back({*identifier, block.sub(sizeAt + 4, *size), block.sub(at, end - at)});
        at = end;
    }
    return found;
}

std::vector<Bytes> jpegPhotoshopBlocks(ByteView jpeg) {
    std::vector<Bytes> blocks;
    Bytes block;
    const auto endBlock = [&] {
        if (!block.empty()) blocks.push_back(std::move(block));
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
    return blocks;
}

std::optional<ByteView> tiffFirstDirectoryValue(ByteView tiff, std::uint16_t tag) {
    bool bigEndian = false;
    if (tiff.startsWith(0, std::string_view("MM\0*", 4))) bigEndian = true;
    else if (!tiff.startsWith(0, std::string_view("II*\0", 4))) return std::nullopt;
    const auto directory = tiff.u32(4, bigEndian);
    const auto entries = directory ? tiff.u16(*directory, bigEndian) : std::nullopt;
    if (!entries) return std::nullopt;
    for (std::size_t index = 0; index < *entries; ++index) {
        const std::size_t entry = *directory + 2 + 12 * index;
        const auto entryTag = tiff.u16(entry, bigEndian);
        if (!entryTag) return std::nullopt;
        if (*entryTag != tag) continue;
        const auto type = tiff.u16(entry + 2, bigEndian);
        const auto count = tiff.u32(entry + 4, bigEndian);
        if (!type || !count) return std::nullopt;
        const std::uint64_t size = std::uint64_t{*count} * tiffTypeSize(*type);
        if (size == 0 || size > tiff.size()) return std::nullopt;
        if (size <= 4) return tiff.sub(entry + 8, static_cast<std::size_t>(size));
        const auto offset = tiff.u32(entry + 8, bigEndian);
        if (!offset || !tiff.has(*offset, static_cast<std::size_t>(size))) return std::nullopt;
        return tiff.sub(*offset, static_cast<std::size_t>(size));
    }
    return std::nullopt;
}

std::optional<Bytes> photoshopResourcesBesideMetadata(ByteView block) {
    Bytes kept;
    for (const auto& resource : photoshopResources(block)) {
        if (carriedAsItsOwnKind(resource.identifier)) continue;
        kept.insert(kept.end(), resource.whole.data(), resource.whole.data() + resource.whole.size());
        // The last resource of a block may go without its padding; another may follow it here.
        if (kept.size() % 2) kept.push_back(0);
    }
    if (kept.empty()) return std::nullopt;
    return kept;
}

std::optional<Bytes> jpegPhotoshopResources(ByteView jpeg) {
    for (const Bytes& block : jpegPhotoshopBlocks(jpeg))
        if (auto resources = photoshopResourcesBesideMetadata(ByteView(block.data(), block.size()))) return resources;
    return std::nullopt;
}

std::optional<Bytes> tiffPhotoshopResources(ByteView tiff) {
    constexpr std::uint16_t photoshopTag = 34377;
    const auto value = tiffFirstDirectoryValue(tiff, photoshopTag);
    if (!value) return std::nullopt;
    return photoshopResourcesBesideMetadata(*value);
}

std::optional<Bytes> photoshopResourcesWithoutThumbnail(const Bytes& resources) {
    Bytes kept;
    bool removed = false;
    for (const auto& resource : photoshopResources(ByteView(resources.data(), resources.size()))) {
        if (std::find(thumbnails.begin(), thumbnails.end(), resource.identifier) != thumbnails.end()) removed = true;
        else kept.insert(kept.end(), resource.whole.data(), resource.whole.data() + resource.whole.size());
    }
    if (!removed) return std::nullopt;
    return kept;
}

Bytes photoshopBlock(const std::optional<Bytes>& records, const std::optional<Bytes>& resources) {
    Bytes block;
    if (records) {
        block.insert(block.end(), {'8', 'B', 'I', 'M'});
        appendBigEndian(block, photoshopIPTCResource, 2);
        appendBigEndian(block, 0, 2); // an empty name, padded to two bytes
        appendBigEndian(block, records->size(), 4);
        block.insert(block.end(), records->begin(), records->end());
        if (records->size() % 2) block.push_back(0);
    }
    if (resources) block.insert(block.end(), resources->begin(), resources->end());
    return block;
}

} // namespace platform
