#pragma once
#include "platform/base/ByteView.h"

#include <cstdint>
#include <optional>

namespace platform {

// What a Netpbm header declares (P1 to P6, and the float maps PF and Pf), read by the reader
// itself: libvips' loader takes a size of 0, a negative or overflowing one, or a maxval of 0
// as some other number and decodes an invented image.
struct PNMHeader {
    char kind = 0; // '1' to '6', 'F' or 'f'
    // As declared; a number past this cap is held at it, which no budget admits.
    static constexpr std::uint64_t largestNumber = 1'000'000'000'000'000'000ULL;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint32_t maxval = 1; // 1 for bitmaps and float maps

    bool isBitmap() const { return kind == '1' || kind == '4'; }
    bool isFloat() const { return kind == 'F' || kind == 'f'; }
    int channels() const { return kind == '3' || kind == '6' || kind == 'F' ? 3 : 1; }
    // Bytes of one decoded pixel: 8-bit samples up to maxval 255, 16-bit above, float for float maps.
    int decodedBytesPerPixel() const { return channels() * (isFloat() ? 4 : maxval > 255 ? 2 : 1); }
    int depth() const { return isFloat() ? 32 : maxval > 255 ? 16 : 8; }
};

// The header at the start of the bytes, with comments ('#' to the end of the line) wherever
// white space may stand. Nothing when it is not one: a side that is not a decimal number of
// at least 1, a maxval outside 1 to 65535, a float map's scale that is not a non-zero number,
// or a header cut short.
std::optional<PNMHeader> readPNMHeader(ByteView bytes);

} // namespace platform
