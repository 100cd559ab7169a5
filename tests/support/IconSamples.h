#pragma once
#include "platform/base/Bytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// Bitmap, icon and Apple icon files written byte by byte, as Windows and macOS tools lay them
// out. Their pixels follow `samplePixel`: RGB from bands 0-2, alpha from band 3.

// A BMP with a 40-byte header: 24-bit BGR, or 8-bit with a 256-grey palette, bottom-up
// unless topDown; `pixelsPerMetre` fills both resolution fields.
platform::Bytes bmpFile(int width, int height, int bitCount, bool topDown = false, std::int32_t pixelsPerMetre = 0);
// A run-length-coded BMP (8 or 4 bits per pixel) with a grey palette; the index of a pixel
// is samplePixel's band 0 (its low four bits for 4 bits per pixel). Each row starts with two
// single-pixel runs and goes on as literal pixels.
platform::Bytes bmpFileRunLength(int width, int height, int bitCount);
// A 32-bit BMP with a version 5 header and bit fields naming an alpha mask.
platform::Bytes bmpFileWithAlpha(int width, int height);

// One image of an icon file: a PNG payload, or a DIB of the given depth (32-bit BGRA, or
// 24-bit with an AND mask that makes the left half of every row transparent).
struct IconEntry {
    int side = 16;
    bool png = false;
    int bitCount = 32;
};
platform::Bytes icoFile(const std::vector<IconEntry>& entries);

// An Apple icon element: its four-character type and payload.
struct ICNSElement {
    std::string type;
    platform::Bytes payload;
};
platform::Bytes icnsFile(const std::vector<ICNSElement>& elements);
// The legacy run-length coding of a side x side RGB image, and its 8-bit mask.
platform::Bytes icnsRunLengthRGB(int side);
platform::Bytes icnsMask(int side);
// The same coding of alpha, red, green and blue behind an "ARGB" mark, as in ic04 and ic05.
platform::Bytes icnsRunLengthARGB(int side);

} // namespace testing_support
