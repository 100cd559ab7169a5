#pragma once
#include "platform/base/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace testing_support {

// A TGA file laid out byte by byte as the test describes it, so that every field a writer
// may set can be tried, including ones no library here writes.
struct TGALayout {
    int imageType = 2; // 1 colour-mapped, 2 true colour, 3 grey; 9, 10, 11 run-length coded
    int width = 0;
    int height = 0;
    int pixelBits = 24;
    int alphaBits = 0;
    bool rightToLeft = false;
    bool topToBottom = false;
    std::string imageID;
    int mapFirstIndex = 0;
    int mapLength = 0;
    int mapEntryBits = 0;
    platform::Bytes colourMap;
    platform::Bytes pixels; // as stored: already run-length coded for types 9 to 11
    // Writes a TGA 2.0 extension area with this attributes type, and the footer naming it.
    std::optional<std::uint8_t> attributesType;
};
// A layout with the fields every file needs; the test sets the rest.
TGALayout tgaLayout(int imageType, int width, int height, int pixelBits, int alphaBits = 0);
platform::Bytes tgaFile(const TGALayout& layout);

// Pixels of `pixelBytes` bytes each, run-length coded as TGA packets across row ends: runs of
// equal pixels as repeat packets, the rest as literal packets.
platform::Bytes tgaRunLength(const platform::Bytes& pixels, std::size_t pixelBytes);

// What Netpbm's pamtotga writes from a Netpbm file with the given options ("-rgb -norle");
// none when Netpbm is not installed or refuses.
std::optional<platform::Bytes> netpbmTGA(const platform::Bytes& netpbm, const std::string& options);

} // namespace testing_support
