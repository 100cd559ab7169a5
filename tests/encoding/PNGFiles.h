#pragma once
#include "ImageEngine/Encoding/png/PNGChunks.h"
#include "platform/base/Bytes.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Real PNG files for the tests, written and read by libpng, so that our own chunk and
// pixel-data code is checked against the reference library rather than against itself.
namespace png_files {

struct Picture {
    int width = 0;
    int height = 0;
    int bitDepth = 8;
    int colourType = 6;
    bool interlaced = false;
    platform::Bytes rows;         // unfiltered rows, 16-bit samples big-endian, as in the file
    int filters = 0x08;           // libpng's filter mask; None alone by default
    int compressionLevel = 6;
    std::vector<std::pair<std::string, std::string>> texts;
    bool significantBits = false; // writes an sBIT chunk
    bool background = false;      // writes a bKGD chunk
    bool physicalSize = false;    // writes a pHYs chunk
    bool iccProfile = false;      // writes an iCCP chunk with the sRGB profile
    int paletteSize = 0;          // for colour type 3
};

// A text chunk's keyword, text and libpng's PNG_TEXT_COMPRESSION_* or PNG_ITXT_COMPRESSION_*.
struct Text {
    std::string keyword;
    std::string text;
    int compression = 0;
};

// What libpng's reader finds, with every warning it gives on the way ("eXIf: duplicate", a
// misplaced chunk).
struct Decoded {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colourType = 0;
    platform::Bytes rows; // unfiltered, deinterlaced, as stored
    std::vector<Text> texts;
    std::optional<platform::Bytes> exif;
    std::vector<std::string> warnings;
};

int channelsOf(int colourType);

// Rows of gradients and noise; with `opaque`, every alpha sample is at its maximum.
platform::Bytes samplePixels(int width, int height, int colourType, int bitDepth, bool opaque, unsigned seed = 1);

// A picture of sample pixels with nothing else set.
Picture picture(int width, int height, int colourType, int bitDepth, bool opaque = false, unsigned seed = 1);

platform::Bytes encode(const Picture& picture);
// The file as stored: rows in the file's own colour type and depth.
std::optional<Decoded> decode(const platform::Bytes& file);
// What a viewer shows: every file expanded to RGBA at its own depth (8 or 16 bits), so that
// files of different colour types can be compared pixel for pixel.
std::optional<Decoded> decodeAsRGBA(const platform::Bytes& file);

std::vector<std::string> typesOf(const std::vector<pictavo::PNGChunks::Chunk>& chunks);
std::vector<std::string> typesOf(const platform::Bytes& file);

// Files libpng will not write, made from others with the engine's own chunk layer: bytes in
// the middle of the first IDAT changed and the CRC made to match, so that only a zlib reader
// finds the damage; and a still made a two-frame animation, acTL after IHDR, then fcTL and
// fdAT with the still's pixel data before IEND.
platform::Bytes withDamagedPixelData(const platform::Bytes& file);
// Every byte of the IDAT chunk at `index` (counting IDAT chunks only) changed, and its CRC
// made to match, as a copy damaged in one place gives it.
platform::Bytes withOneIDATOverwritten(const platform::Bytes& file, std::size_t index);

// A large 8-bit RGBA picture written by libpng a row at a time, so that the rows are never all
// in memory: diagonal bands of colour, quickly compressed, in IDAT chunks of libpng's own size.
platform::Bytes streamedRGBA(int width, int height);
platform::Bytes animated(const platform::Bytes& still);

// The colour samples of every pixel, the last (alpha) sample left out, as a reference
// independent of the code.
platform::Bytes withoutAlpha(const platform::Bytes& rows, int channels, int bytesPerSample);

// Type and payload of every element of an Apple icon file, walked with the lengths it states;
// fails the current test when a length or the file's own does not add up.
std::vector<std::pair<std::string, platform::Bytes>> icnsElements(const platform::Bytes& file);

} // namespace png_files
