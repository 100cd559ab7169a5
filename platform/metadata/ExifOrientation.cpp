#include "platform/metadata/ExifOrientation.h"

#include "platform/metadata/ExifIFD0.h"

#include <cstring>
#include <limits>

namespace platform {
namespace {

using namespace exif_ifd;

constexpr std::uint16_t orientationTag = 0x0112;
// The one integer value held in an entry's value field, whatever integer type the writer
// chose: cameras and editors store the orientation as SHORT, but also as LONG, SLONG, SSHORT
// or BYTE, and every reader that takes those must see the same turn.
std::optional<std::int64_t> inlineInteger(const TIFFView& view, std::size_t entry) {
    const std::size_t value = entry + 8;
    switch (view.u16(entry + 2)) {
    case byteType: return view.base[value];
    case signedByteType: return static_cast<std::int8_t>(view.base[value]);
    case shortType: return view.u16(value);
    case signedShortType: return static_cast<std::int16_t>(view.u16(value));
    case longType: return view.u32(value);
    case signedLongType: return static_cast<std::int32_t>(view.u32(value));
    default: return std::nullopt;
    }
}

void writeOrientationEntry(const TIFFView& view, std::size_t at, int orientation) {
    view.put16(at, orientationTag);
    view.put16(at + 2, shortType);
    view.put32(at + 4, 1);
    view.put32(at + 8, 0);
    view.put16(at + 8, static_cast<std::uint16_t>(orientation));
}

} // namespace

std::optional<Bytes> exifWithOrientation(const Bytes& exif, int orientation) {
    if (orientation < 1 || orientation > 8) return std::nullopt;
    Bytes out = exif;
    const std::size_t marker = markerLength(out);
    auto ifd = locateIfd0(out.data() + marker, out.size() - marker);
    if (!ifd) return std::nullopt;

    bool found = false;
    std::size_t insertAt = ifd->count;
    for (std::size_t i = 0; i < ifd->count; ++i) {
        const std::size_t entry = ifd->offset + 2 + i * entrySize;
        const std::uint16_t tag = ifd->view.u16(entry);
        if (tag == orientationTag) {
            // Whatever type a careless writer chose, the field becomes the one SHORT that
            // readers expect; an out-of-line old value is simply no longer referenced.
            writeOrientationEntry(ifd->view, entry, orientation);
            found = true;
        } else if (tag > orientationTag && insertAt == ifd->count) {
            insertAt = i;
        }
    }
    if (found) return out;
    if (ifd->count == std::numeric_limits<std::uint16_t>::max()) return std::nullopt;

    // A copy of IFD0 with the new entry in tag order goes at the end of the block, at a
    // word boundary as TIFF asks; the header then points at the copy.
    const std::size_t tiffSize = out.size() - marker;
    const std::size_t newOffset = tiffSize + (tiffSize & 1);
    const std::size_t newIfdSize = 2 + (ifd->count + 1u) * entrySize + 4;
    if (newOffset + newIfdSize > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    const std::size_t oldOffset = ifd->offset;
    const std::uint16_t oldCount = ifd->count;
    const bool bigEndian = ifd->view.bigEndian;
    out.resize(marker + newOffset + newIfdSize, 0);

    TIFFView view{out.data() + marker, newOffset + newIfdSize, bigEndian};
    const std::uint8_t* oldEntries = view.base + oldOffset + 2;
    std::uint8_t* newEntries = view.base + newOffset + 2;
    view.put16(newOffset, static_cast<std::uint16_t>(oldCount + 1));
    std::memcpy(newEntries, oldEntries, insertAt * entrySize);
    writeOrientationEntry(view, newOffset + 2 + insertAt * entrySize, orientation);
    std::memcpy(newEntries + (insertAt + 1) * entrySize, oldEntries + insertAt * entrySize,
                (oldCount - insertAt) * entrySize);
    view.put32(newOffset + 2 + (oldCount + 1u) * entrySize, view.u32(oldOffset + 2 + oldCount * entrySize));
    view.put32(4, static_cast<std::uint32_t>(newOffset));
    return out;
}

std::optional<int> exifOrientation(ByteView exif) {
    const auto ifd = locateIfd0(exif);
    if (!ifd) return std::nullopt;
    for (std::size_t i = 0; i < ifd->count; ++i) {
        const std::size_t entry = ifd->offset + 2 + i * entrySize;
        if (ifd->view.u16(entry) != orientationTag || ifd->view.u32(entry + 4) != 1) continue;
        const auto value = inlineInteger(ifd->view, entry);
        if (value && *value >= 1 && *value <= 8) return static_cast<int>(*value);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace platform
