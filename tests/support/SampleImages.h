#pragma once
#include "platform/base/Bytes.h"
#include "platform/pixels/Image.h"

#include <optional>
#include <string>

namespace testing_support {

// A width x height bitmap whose every component is a different function of x, y and the
// component index, so a round trip that moves, swaps or changes one value shows. With a
// premultiplied alpha the colour never exceeds the alpha. 16-bit values use the whole range.
platform::ImageRef patternImage(int width, int height, int bitsPerComponent, int components,
                                platform::AlphaInfo alpha, platform::ColourSpaceRef space = nullptr);

// One colour everywhere: 8-bit RGBA (straight) or RGB when alpha is 255 and `withAlpha` is false.
platform::ImageRef solidImage(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                              std::uint8_t a = 255, bool withAlpha = true);

// A file read back by libvips' own loaders, as a reader independent of the writer sees it.
struct ReadBack {
    int width = 0;
    int height = 0; // of one page
    int bands = 0;
    int bitsPerComponent = 0;
    int pages = 1;
    platform::Bytes pixels; // every page, packed, native-endian
    platform::Bytes icc;
    platform::Bytes exif;   // as libvips keeps it ("Exif\0\0" marker first)
    std::string xmp;
    int orientation = 1;
    double dpi = 0;
};
std::optional<ReadBack> readWithVips(const platform::Bytes& file);

// The first image of a file as libvips reads it, as a bitmap: alpha last and straight,
// tagged with the file's profile or untagged; null when libvips cannot read it.
platform::ImageRef imageReadWithVips(const platform::Bytes& file);

// The XMP packet of a HEIF file's primary image, read with libheif (libvips does not).
std::string heifXmp(const platform::Bytes& file);

// The ICC profile of a JP2 file, read with openjpeg (libvips does not pass it on).
platform::Bytes jp2Profile(const platform::Bytes& file);

// The image's pixels packed the same way (straight alpha last), for exact comparisons.
platform::Bytes packedPixels(const platform::Image& image);

} // namespace testing_support
