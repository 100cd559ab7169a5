#pragma once
#include "platform/base/ByteView.h"
#include "platform/read/ImageBackend.h"

#include <cstdint>
#include <optional>

namespace platform {

// The device-independent bitmap inside BMP files and legacy icon entries: 1, 4, 8, 16, 24
// and 32 bits per pixel.
struct DIBHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;       // the image's own height (an icon's doubled height halved)
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    std::size_t headerSize = 0;
    std::size_t paletteOffset = 0;
    std::size_t paletteEntries = 0;
    std::size_t paletteEntrySize = 4;
    double dpiX = 0;
    double dpiY = 0;
    Bytes iccProfile;

    bool hasAlphaMask() const { return masks[3] != 0; }
};

// Reads the header at the start of the view. An icon's header counts the AND mask in its
// height, which is halved here.
std::optional<DIBHeader> readDibHeader(ByteView dib, bool icon);

// Decodes the pixels at pixelOffset of the view: uncoded, with bit fields, or run-length
// coded (8 and 4 bits per pixel). BMP pixels become RGB, or RGBA when the
// header names an alpha mask; icon pixels are always RGBA, transparent where the AND mask
// says so (unless the 32-bit pixels carry their own alpha).
ImageReadResult decodeDib(ByteView dib, const DIBHeader& header, std::size_t pixelOffset, bool icon,
                          const PixelBudget& budget);

} // namespace platform
