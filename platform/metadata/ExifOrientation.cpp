#include "platform/metadata/ExifOrientation.h"

#include <cstring>
#include <limits>

namespace platform {
namespace {

constexpr std::uint16_t orientationTag = 0x0112;
constexpr std::uint16_t byteType = 1;
constexpr std::uint16_t shortType = 3;
constexpr std::uint16_t longType = 4;
constexpr std::uint16_t signedByteType = 6;
constexpr std::uint16_t signedShortType = 8;
constexpr std::uint16_t signedLongType = 9;
constexpr std::size_t entrySize = 12;
constexpr std::uint8_t exifMarker[] = {'E', 'x', 'i', 'f', 0, 0};

// A view of the TIFF structure inside the block, with reads and writes in its byte order.
// Every access is checked by the caller against `size`.
struct TIFFView {
    std::uint8_t* base = nullptr;
    std::size_t size = 0;
    bool bigEndian = false;

    std::uint16_t u16(std::size_t at) const {
        return bigEndian ? static_cast<std::uint16_t>(base[at] << 8 | base[at + 1])
                         : static_cast<std::uint16_t>(base[at + 1] << 8 | base[at]);
    }
    std::uint32_t u32(std::size_t at) const {
        return bigEndian ? (std::uint32_t{base[at]} << 24 | std::uint32_t{base[at + 1]} << 16 |
                            std::uint32_t{base[at + 2]} << 8 | base[at + 3])
                         : (std::uint32_t{base[at + 3]} << 24 | std::uint32_t{base[at + 2]} << 16 |
                            std::uint32_t{base[at + 1]} << 8 | base[at]);
    }
    void put16(std::size_t at, std::uint16_t v) const {
        base[at + (bigEndian ? 0 : 1)] = static_cast<std::uint8_t>(v >> 8);
        base[at + (bigEndian ? 1 : 0)] = static_cast<std::uint8_t>(v);
    }
    void put32(std::size_t at, std::uint32_t v) const {
        for (int i = 0; i < 4; ++i) {
            const int shift = bigEndian ? 24 - 8 * i : 8 * i;
            base[at + i] = static_cast<std::uint8_t>(v >> shift);
        }
    }
};

std::size_t markerLength(const Bytes& exif) {
    return exif.size() >= sizeof exifMarker && std::memcmp(exif.data(), exifMarker, sizeof exifMarker) == 0
               ? sizeof exifMarker
               : 0;
}

// The TIFF view and IFD0's offset and entry count, when the header and the whole of IFD0
// (count, entries and next-IFD offset) lie inside the block.
struct Ifd0 {
    TIFFView view;
    std::size_t offset = 0;
    std::uint16_t count = 0;
};

std::optional<Ifd0> locateIfd0(std::uint8_t* tiff, std::size_t size) {
    if (size < 8) return std::nullopt;
    TIFFView view{tiff, size, false};
    if (tiff[0] == 'I' && tiff[1] == 'I') view.bigEndian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M') view.bigEndian = true;
    else return std::nullopt;
    if (view.u16(2) != 42) return std::nullopt;
    const std::size_t offset = view.u32(4);
    if (offset < 8 || offset > size || size - offset < 2) return std::nullopt;
    const std::uint16_t count = view.u16(offset);
    if ((size - offset - 2) / entrySize < count || size - offset - 2 - count * entrySize < 4) return std::nullopt;
    return Ifd0{view, offset, count};
}

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

std::optional<int> exifOrientation(const Bytes& exif) {
    Bytes copy = exif;
    const std::size_t marker = markerLength(copy);
    auto ifd = locateIfd0(copy.data() + marker, copy.size() - marker);
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
