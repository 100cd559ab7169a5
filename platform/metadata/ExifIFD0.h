#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

// In-place edits of an EXIF block share this: its TIFF header and first directory, read and
// written in the block's own byte order. Every offset is checked before it is used.
namespace platform::exif_ifd {

// The TIFF types of an entry that hold integers.
constexpr std::uint16_t byteType = 1;
constexpr std::uint16_t shortType = 3;
constexpr std::uint16_t longType = 4;
constexpr std::uint16_t signedByteType = 6;
constexpr std::uint16_t signedShortType = 8;
constexpr std::uint16_t signedLongType = 9;
constexpr std::uint16_t ifdType = 13;

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

inline std::size_t markerLength(ByteView exif) {
    return exif.size() >= sizeof exifMarker && std::memcmp(exif.data(), exifMarker, sizeof exifMarker) == 0
               ? sizeof exifMarker
               : 0;
}
inline std::size_t markerLength(const Bytes& exif) { return markerLength(ByteView(exif.data(), exif.size())); }

// The TIFF view and IFD0's offset and entry count, when the header and the whole of IFD0
// (count, entries and next-IFD offset) lie inside the block.
struct Ifd0 {
    TIFFView view;
    std::size_t offset = 0;
    std::uint16_t count = 0;
};

inline std::optional<Ifd0> locateIfd0(std::uint8_t* tiff, std::size_t size) {
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

// IFD0 of a block only read, as large as a file may be, without a copy to write into: the
// reader writes nothing through the view.
inline std::optional<Ifd0> locateIfd0(ByteView block) {
    const std::size_t marker = markerLength(block);
    return locateIfd0(const_cast<std::uint8_t*>(block.data()) + marker, block.size() - marker);
}

} // namespace platform::exif_ifd
