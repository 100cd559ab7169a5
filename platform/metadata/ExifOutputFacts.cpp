#include "platform/metadata/ExifOutputFacts.h"

#include "platform/metadata/ExifIFD0.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace platform {
namespace {

using namespace exif_ifd;

constexpr std::uint16_t exifDirectoryTag = 0x8769;
constexpr std::uint16_t pixelXDimensionTag = 0xA002;
constexpr std::uint16_t pixelYDimensionTag = 0xA003;
constexpr std::uint16_t makerNoteTag = 0x927C;
constexpr std::uint16_t gpsDirectoryTag = 0x8825;
constexpr std::uint16_t interoperabilityDirectoryTag = 0xA005;
constexpr std::uint16_t stripOffsetsTag = 0x0111;
constexpr std::uint16_t stripByteCountsTag = 0x0117;
constexpr std::uint16_t jpegOffsetTag = 0x0201;
constexpr std::uint16_t jpegLengthTag = 0x0202;

// The entry of `tag` in the directory at `offset`, when the directory and the entry lie
// inside the block.
std::optional<std::size_t> entryOf(const TIFFView& view, std::size_t offset, std::uint16_t tag) {
    if (offset < 8 || offset > view.size || view.size - offset < 2) return std::nullopt;
    const std::uint16_t count = view.u16(offset);
    if ((view.size - offset - 2) / entrySize < count) return std::nullopt;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = offset + 2 + i * entrySize;
        if (view.u16(entry) == tag) return entry;
    }
    return std::nullopt;
}

// The offset of the EXIF directory IFD0 points to, when the pointer is one offset.
std::optional<std::size_t> exifDirectory(const Ifd0& ifd) {
    const auto pointer = entryOf(ifd.view, ifd.offset, exifDirectoryTag);
    if (!pointer) return std::nullopt;
    const std::uint16_t pointerType = ifd.view.u16(*pointer + 2);
    if ((pointerType != longType && pointerType != ifdType) || ifd.view.u32(*pointer + 4) != 1) return std::nullopt;
    return ifd.view.u32(*pointer + 8);
}

// A stretch of the block's bytes, from `begin` up to `end`.
struct Extent {
    std::size_t begin;
    std::size_t end;
};

std::size_t typeSize(std::uint16_t type) {
    static constexpr std::size_t sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < std::size(sizes) ? sizes[type] : 0;
}

// The offset a one-value pointer entry holds.
std::optional<std::size_t> pointedTo(const TIFFView& view, std::size_t directory, std::uint16_t tag) {
    const auto pointer = entryOf(view, directory, tag);
    if (!pointer) return std::nullopt;
    const std::uint16_t type = view.u16(*pointer + 2);
    if ((type != longType && type != ifdType) || view.u32(*pointer + 4) != 1) return std::nullopt;
    return view.u32(*pointer + 8);
}

// The bytes the directory at `offset` takes, and those its entries' values take outside it,
// each within the block. False when the directory itself does not lie in the block.
bool addDirectory(const TIFFView& view, std::size_t offset, std::vector<Extent>& extents) {
    if (offset < 8 || offset > view.size || view.size - offset < 2) return false;
    const std::uint16_t count = view.u16(offset);
    if ((view.size - offset - 2) / entrySize < count || view.size - offset - 2 - count * entrySize < 4) return false;
    extents.push_back({offset, offset + 2 + count * entrySize + 4});
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = offset + 2 + i * entrySize;
        const std::uint64_t size = std::uint64_t{typeSize(view.u16(entry + 2))} * view.u32(entry + 4);
        const std::size_t at = view.u32(entry + 8);
        if (size > 4 && at < view.size) extents.push_back({at, static_cast<std::size_t>(std::min<std::uint64_t>(at + size, view.size))});
    }
    return true;
}

// The integers of a SHORT or LONG entry, wherever they are held; empty when they are not in the block.
std::vector<std::size_t> integersOf(const TIFFView& view, std::size_t entry) {
    const std::uint16_t type = view.u16(entry + 2);
    const std::size_t width = type == shortType ? 2 : type == longType ? 4 : 0;
    const std::size_t count = view.u32(entry + 4);
    if (width == 0 || count == 0 || count > view.size / width) return {};
    const std::size_t at = count * width <= 4 ? entry + 8 : view.u32(entry + 8);
    if (at > view.size || view.size - at < count * width) return {};
    std::vector<std::size_t> values;
    for (std::size_t i = 0; i < count; ++i)
        values.push_back(width == 2 ? view.u16(at + i * 2) : view.u32(at + i * 4));
    return values;
}

// The thumbnail's bytes: its directory with its values, and the picture it points to, as a
// JPEG or as strips.
std::vector<Extent> thumbnailExtents(const TIFFView& view, std::size_t directory) {
    std::vector<Extent> extents;
    if (!addDirectory(view, directory, extents)) return extents;
    const auto add = [&](std::uint16_t offsetsTag, std::uint16_t lengthsTag) {
        const auto offsets = entryOf(view, directory, offsetsTag);
        const auto lengths = entryOf(view, directory, lengthsTag);
        if (!offsets || !lengths) return;
        const auto starts = integersOf(view, *offsets);
        const auto sizes = integersOf(view, *lengths);
        for (std::size_t i = 0; i < std::min(starts.size(), sizes.size()); ++i)
            if (starts[i] < view.size) extents.push_back({starts[i], starts[i] + std::min(sizes[i], view.size - starts[i])});
    };
    add(jpegOffsetTag, jpegLengthTag);
    add(stripOffsetsTag, stripByteCountsTag);
    return extents;
}

// The stretches in order, those that touch made one.
std::vector<Extent> merged(std::vector<Extent> extents) {
    std::sort(extents.begin(), extents.end(), [](const Extent& a, const Extent& b) { return a.begin < b.begin; });
    std::vector<Extent> joined;
    for (const Extent& extent : extents) {
        if (!joined.empty() && extent.begin <= joined.back().end) joined.back().end = std::max(joined.back().end, extent.end);
        else joined.push_back(extent);
    }
    return joined;
}

// What the rest of the block takes: the header, the first directory and the EXIF, GPS and
// interoperability directories, each with its values (the maker note among them).
std::vector<Extent> keptExtents(const Ifd0& ifd) {
    std::vector<Extent> extents{{0, 8}};
    addDirectory(ifd.view, ifd.offset, extents);
    const auto exif = pointedTo(ifd.view, ifd.offset, exifDirectoryTag);
    if (exif && addDirectory(ifd.view, *exif, extents))
        if (const auto interoperability = pointedTo(ifd.view, *exif, interoperabilityDirectoryTag))
            addDirectory(ifd.view, *interoperability, extents);
    if (const auto gps = pointedTo(ifd.view, ifd.offset, gpsDirectoryTag)) addDirectory(ifd.view, *gps, extents);
    return extents;
}

} // namespace

std::optional<Bytes> exifWithPixelDimensions(const Bytes& exif, std::int64_t width, std::int64_t height) {
    if (width < 1 || height < 1 || width > std::numeric_limits<std::uint32_t>::max() ||
        height > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    Bytes out = exif;
    const std::size_t marker = markerLength(out);
    const auto ifd = locateIfd0(out.data() + marker, out.size() - marker);
    if (!ifd) return std::nullopt;
    const auto found = exifDirectory(*ifd);
    if (!found) return std::nullopt;
    const std::size_t directory = *found;
    bool changed = false;
    for (const auto& [tag, size] : {std::pair{pixelXDimensionTag, width}, std::pair{pixelYDimensionTag, height}}) {
        const auto entry = entryOf(ifd->view, directory, tag);
        if (!entry || ifd->view.u32(*entry + 4) != 1) continue;
        const std::uint16_t type = ifd->view.u16(*entry + 2);
        if (type != shortType && type != longType) continue;
        const auto value = static_cast<std::uint32_t>(size);
        ifd->view.put32(*entry + 8, 0);
        if (type == shortType && value <= std::numeric_limits<std::uint16_t>::max()) {
            ifd->view.put16(*entry + 8, static_cast<std::uint16_t>(value));
        } else {
            ifd->view.put16(*entry + 2, longType);
            ifd->view.put32(*entry + 8, value);
        }
        changed = true;
    }
    if (!changed) return std::nullopt;
    return out;
}

std::optional<Bytes> exifWithoutThumbnail(const Bytes& exif) {
    Bytes out = exif;
    const std::size_t marker = markerLength(out);
    const auto ifd = locateIfd0(out.data() + marker, out.size() - marker);
    if (!ifd) return std::nullopt;
    const std::size_t next = ifd->offset + 2 + ifd->count * entrySize;
    const std::size_t directory = ifd->view.u32(next);
    if (directory == 0) return std::nullopt;
    ifd->view.put32(next, 0);

    // Unlinked, the thumbnail would still be there for anyone who looks at the bytes.
    const std::vector<Extent> thumbnail = merged(thumbnailExtents(ifd->view, directory));
    if (thumbnail.empty()) return out;
    const std::vector<Extent> kept = merged(keptExtents(*ifd));
    // Where it ends the block, as cameras and ExifTool write it, the block ends before it (a
    // word's padding after it aside); elsewhere its bytes become zeros, except any the rest
    // of the block points at too.
    if (thumbnail.front().begin >= kept.back().end && ifd->view.size - thumbnail.back().end < 4) {
        out.resize(marker + thumbnail.front().begin);
        return out;
    }
    const auto zero = [&](std::size_t begin, std::size_t end) {
        if (begin < end) std::fill(ifd->view.base + begin, ifd->view.base + end, std::uint8_t{0});
    };
    for (const Extent& part : thumbnail) {
        std::size_t at = part.begin;
        auto other = std::upper_bound(kept.begin(), kept.end(), at, [](std::size_t value, const Extent& k) { return value < k.end; });
        for (; at < part.end && other != kept.end() && other->begin < part.end; ++other) {
            zero(at, other->begin);
            at = std::max(at, other->end);
        }
        zero(at, part.end);
    }
    return out;
}

bool exifHoldsMakerNote(const Bytes& exif) {
    Bytes block = exif; // the view reads through a writable pointer
    const std::size_t marker = markerLength(block);
    const auto ifd = locateIfd0(block.data() + marker, block.size() - marker);
    const auto directory = ifd ? exifDirectory(*ifd) : std::nullopt;
    return directory && entryOf(ifd->view, *directory, makerNoteTag);
}

} // namespace platform
