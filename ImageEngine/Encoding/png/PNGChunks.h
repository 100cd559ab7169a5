#pragma once
#include "platform/base/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The PNG file format as a list of chunks: reading with every CRC checked, the image header,
// the pixel data, metadata removal and writing back. Only IHDR, IDAT and IEND are understood;
// every other chunk is carried byte for byte. Nothing here throws: malformed input gives none.
namespace pictavo::PNGChunks {

struct Chunk {
    std::string type; // four characters, case kept
    // A parsed chunk's payload points into the file it was parsed from, which must outlive
    // the chunk; a chunk made here owns its payload through `storage`.
    std::span<const std::uint8_t> payload;
    std::shared_ptr<const platform::Bytes> storage;

    static Chunk owning(std::string type, platform::Bytes payload);
};

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bitDepth = 0;
    std::int64_t colourType = 0;
    bool interlaced = false;

    // Samples in one pixel for the colour type: grey 1, RGB 3, palette 1, grey-alpha 2, RGBA 4.
    std::optional<std::int64_t> samplesPerPixel() const;
    // Bytes of one unfiltered row; none for an unknown colour type or a side outside
    // 1...1,000,000.
    std::optional<std::int64_t> rowByteCount() const;

    friend bool operator==(const Header&, const Header&) = default;
};

inline constexpr std::size_t signatureLength = 8;
// The re-compression cuts its pixel data into IDAT chunks of this many bytes.
inline constexpr std::size_t largestIDATLength = 1 << 20;

std::optional<std::vector<Chunk>> parse(std::span<const std::uint8_t> file);
// The chunks would point into a buffer that is gone by the next statement.
std::optional<std::vector<Chunk>> parse(platform::Bytes&& file) = delete;
std::optional<Header> header(const std::vector<Chunk>& chunks);
// The payloads of every IDAT chunk, in order; empty when there is none.
platform::Bytes imageData(const std::vector<Chunk>& chunks);
// Only the chunks that change how the picture is shown: the critical ones, tRNS and bKGD,
// the colour and gamma chunks (gAMA, cHRM, sRGB, iCCP, sBIT, cICP, mDCv, cLLi), pHYs, and
// the animation's acTL, fcTL and fdAT; every other ancillary chunk goes.
std::vector<Chunk> removingMetadata(const std::vector<Chunk>& chunks);
// Appends one chunk; false, with nothing appended, when it cannot be written.
bool serialise(std::string_view type, std::span<const std::uint8_t> payload, platform::Bytes& output);
std::optional<platform::Bytes> assemble(const std::vector<Chunk>& chunks);
// The chunks with the pixel data replaced: `data` is written at the first IDAT in chunks of at
// most `largestChunk` bytes, and every later IDAT is dropped.
std::optional<platform::Bytes> rebuild(const std::vector<Chunk>& chunks, std::span<const std::uint8_t> data,
                                       std::size_t largestChunk);
// The CRC-32 of the pieces taken as one stream.
std::uint32_t crc32(std::initializer_list<std::span<const std::uint8_t>> pieces);

} // namespace pictavo::PNGChunks
