#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <cstdint>
#include <string_view>

namespace platform {

// The application segment EXIF and XMP are kept in.
inline constexpr std::uint8_t jpegAPP1 = 0xE1;
// The application segment IPTC is kept in, as Photoshop's image resources.
inline constexpr std::uint8_t jpegAPP13 = 0xED;
// The most a marker segment holds after its two length bytes.
inline constexpr std::size_t jpegLargestPayload = 65533;
// What an APP1 segment of EXIF starts with, before the TIFF-structured block.
inline constexpr std::string_view jpegExifHeader{"Exif\0\0", 6};

// Appends one marker segment: the marker, its length and the payload, which holds at most
// 65533 bytes.
inline void appendJPEGSegment(Bytes& out, std::uint8_t marker, ByteView payload) {
    const std::size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, marker, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xFF)});
    out.insert(out.end(), payload.data(), payload.data() + payload.size());
}

// Calls visit(marker, payload) for each marker segment of a JPEG file before its image data,
// in file order, with every length checked; stops at the first segment that cannot be read
// or when visit returns false. Does nothing for bytes that do not start a JPEG.
template <typename Visit>
void forEachJPEGSegment(ByteView jpeg, Visit visit) {
    constexpr std::uint8_t startOfScan = 0xDA;
    constexpr std::uint8_t endOfImage = 0xD9;
    if (!jpeg.startsWith(0, "\xFF\xD8")) return;
    std::size_t at = 2;
    while (jpeg.u8(at) == 0xFF) {
        while (jpeg.u8(at) == 0xFF) ++at; // fill bytes
        const auto marker = jpeg.u8(at++);
        if (!marker || *marker == startOfScan || *marker == endOfImage) return;
        if ((*marker >= 0xD0 && *marker <= 0xD7) || *marker == 0x01) continue; // no length
        const auto length = jpeg.u16be(at);
        if (!length || *length < 2 || !jpeg.has(at, *length)) return;
        const ByteView payload = jpeg.sub(at + 2, *length - 2u);
        at += *length;
        if (!visit(*marker, payload)) return;
    }
}

} // namespace platform
