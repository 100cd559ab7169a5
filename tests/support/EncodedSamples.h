#pragma once
#include "platform/base/Bytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// What a sample image file holds: a pattern that differs per pixel, band and page, so that
// decoded pixels can be checked against `samplePixel`.
struct SampleImage {
    int width = 9;
    int height = 7;
    int bands = 3;          // 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA (or CMYK)
    bool cmyk = false;      // four bands of ink, no alpha
    bool sixteenBit = false;
    int pages = 1;          // frames or pages, stacked as libvips saves them
    std::optional<int> orientation;
    std::optional<platform::Bytes> exif; // TIFF-structured
    std::optional<platform::Bytes> icc;
    std::optional<std::string> xmp;
    std::optional<double> dpi;
};

// The 8-bit value of a band of a pixel of a page of every sample; band 3 is the alpha of
// every sample that has one (the second band of grey and alpha).
std::uint8_t samplePixel(int x, int y, int band, int page = 0);

// The sample written by the libvips saver that the suffix names (".png", ".jpg[Q=95]",
// ".tif", ".gif", ".webp[lossless]", ".heic", ".avif", ".jp2", ".jxl", ".ppm", ".hdr"), or
// nothing when this machine's libvips cannot write it.
std::optional<platform::Bytes> encodeSample(const SampleImage& sample, const std::string& suffix);
// The same for pixels of one's own: 8-bit, `sample.bands` a pixel, rows without padding, every
// page stacked; the sample's pattern is not used.
std::optional<platform::Bytes> encodePixels(const std::vector<std::uint8_t>& pixels, const SampleImage& sample,
                                            const std::string& suffix);

// A PNG turned into an animated PNG by an acTL chunk naming `frames` frames.
platform::Bytes withAnimationControl(const platform::Bytes& png, std::uint32_t frames);

// A PNG with these chunks (type and payload) put right after its header, in order.
platform::Bytes withChunksAfterHeader(const platform::Bytes& png,
                                      const std::vector<std::pair<std::string, platform::Bytes>>& chunks);

// The colour codes of a HEIF file's nclx box.
struct Nclx {
    int primaries = 1;
    int transfer = 13;
    int matrix = 6;
    bool fullRange = true;
};
// A width × height HEIF file of one 8-bit RGB colour, written by libheif with an nclx box of
// these codes and no profile, in AV1 (AVIF) or HEVC (HEIC); nothing when this machine has no
// encoder for it.
std::optional<platform::Bytes> heifOfColour(int width, int height, std::array<std::uint8_t, 3> rgb, const Nclx& nclx,
                                            bool av1);

// A square RGBA PNG whose header declares `side` by `side` pixels, over an empty image stream:
// a few dozen bytes that would take more memory than any budget to decode.
platform::Bytes pngDeclaring(std::uint32_t side);

// A TIFF with one page per size, written with libtiff: 8-bit RGB, each page's pixels
// following `samplePixel` for its page number, compressed with LZW in strips of a few rows,
// or each page in one strip.
platform::Bytes multiSizeTiff(const std::vector<std::pair<int, int>>& sizes, bool oneStrip = false);

// An OpenEXR file laid out byte by byte: one part, uncompressed scan lines, 32-bit float R,
// G and B channels holding samplePixel / 255.
platform::Bytes openEXRFile(int width, int height);

// A linear DNG as cameras' raw converters write it: 16-bit RGB, the given TIFF orientation;
// behind a small RGB thumbnail in the first directory, the raw picture in a sub-directory, as
// cameras write it, when asked.
platform::Bytes dngFile(int width, int height, int orientation, bool behindThumbnail = false);

} // namespace testing_support
