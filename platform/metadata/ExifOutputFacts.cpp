#include "platform/metadata/ExifOutputFacts.h"

#include "platform/metadata/ExifIFD0.h"

#include <limits>

namespace platform {
namespace {

using namespace exif_ifd;

constexpr std::uint16_t exifDirectoryTag = 0x8769;
constexpr std::uint16_t pixelXDimensionTag = 0xA002;
constexpr std::uint16_t pixelYDimensionTag = 0xA003;
constexpr std::uint16_t makerNoteTag = 0x927C;

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
    if (ifd->view.u32(next) == 0) return std::nullopt;
    ifd->view.put32(next, 0);
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
