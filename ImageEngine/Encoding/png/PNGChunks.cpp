#include "ImageEngine/Encoding/png/PNGChunks.h"

#include "platform/base/BigEndian.h"

#include "shims/pctv_libdeflate.h"

#include <algorithm>
#include <array>
#include <limits>

namespace pictavo::PNGChunks {
namespace {

constexpr std::array<std::uint8_t, signatureLength> signature{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::int64_t largestSide = 1'000'000;
constexpr std::size_t ihdrLength = 13;
// Length, type and CRC around every payload.
constexpr std::uint64_t lengthAndTypeBytes = 8;
constexpr std::uint64_t crcBytes = 4;

// Critical chunks (an upper-case first letter) and the ancillary ones that change how the
// picture is shown: transparency and its background, colour and gamma, physical size, and
// animation. Every other ancillary chunk is text, time, EXIF (in whatever spelling), content
// credentials or a program's own, and says something of the picture rather than draw it.
bool showsThePicture(const std::string& type) {
    static constexpr std::string_view shown[] = {"tRNS", "bKGD", "gAMA", "cHRM", "sRGB", "iCCP", "sBIT", "cICP",
                                                 "mDCv", "cLLi", "pHYs", "acTL", "fcTL", "fdAT"};
    const bool critical = !type.empty() && type[0] >= 'A' && type[0] <= 'Z';
    return critical || std::find(std::begin(shown), std::end(shown), type) != std::end(shown);
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

Chunk Chunk::owning(std::string type, platform::Bytes payload) {
    auto storage = std::make_shared<const platform::Bytes>(std::move(payload));
    return Chunk{std::move(type), std::span<const std::uint8_t>(*storage), storage};
}

std::optional<std::int64_t> Header::samplesPerPixel() const {
    switch (colourType) {
    case 0: return 1;
    case 2: return 3;
    case 3: return 1;
    case 4: return 2;
    case 6: return 4;
    default: return std::nullopt;
    }
}

std::optional<std::int64_t> Header::rowByteCount() const {
    const auto samples = samplesPerPixel();
    if (!samples || width < 1 || width > largestSide || height < 1 || height > largestSide) return std::nullopt;
    // The bit depth is taken as stored (at most 255), so the product stays far inside 64 bits.
    return (width * *samples * bitDepth + 7) / 8;
}

std::optional<std::vector<Chunk>> parse(std::span<const std::uint8_t> file) {
    if (file.size() <= signatureLength || !std::equal(signature.begin(), signature.end(), file.begin()))
        return std::nullopt;
    std::vector<Chunk> chunks;
    const std::uint64_t end = file.size();
    std::uint64_t position = signatureLength;
    for (;;) {
        if (end - position < lengthAndTypeBytes) return std::nullopt;
        const std::uint64_t length = platform::readBigEndian32(file.data() + position);
        if (position + lengthAndTypeBytes + length + crcBytes > end) return std::nullopt;
        const auto typeBytes = file.subspan(position + 4, 4);
        if (std::any_of(typeBytes.begin(), typeBytes.end(), [](std::uint8_t byte) { return byte >= 0x80; }))
            return std::nullopt;
        const auto payload = file.subspan(position + lengthAndTypeBytes, length);
        const std::uint32_t storedCrc = platform::readBigEndian32(file.data() + position + lengthAndTypeBytes + length);
        if (crc32({typeBytes, payload}) != storedCrc) return std::nullopt;
        chunks.push_back(Chunk{std::string(typeBytes.begin(), typeBytes.end()), payload, nullptr});
        if (chunks.back().type == "IEND") return chunks;
        position += lengthAndTypeBytes + length + crcBytes;
    }
}

std::optional<Header> header(const std::vector<Chunk>& chunks) {
    if (chunks.empty() || chunks.front().type != "IHDR" || chunks.front().payload.size() < ihdrLength)
        return std::nullopt;
    const auto& payload = chunks.front().payload;
    return Header{platform::readBigEndian32(payload.data()), platform::readBigEndian32(payload.data() + 4), payload[8], payload[9],
                  payload[12] != 0};
}

platform::Bytes imageData(const std::vector<Chunk>& chunks) {
    platform::Bytes data;
    for (const auto& chunk : chunks)
        if (chunk.type == "IDAT") data.insert(data.end(), chunk.payload.begin(), chunk.payload.end());
    return data;
}

std::vector<Chunk> removingMetadata(const std::vector<Chunk>& chunks) {
    std::vector<Chunk> kept;
    std::copy_if(chunks.begin(), chunks.end(), std::back_inserter(kept),
                 [](const Chunk& chunk) { return showsThePicture(chunk.type); });
    return kept;
}

bool serialise(std::string_view type, std::span<const std::uint8_t> payload, platform::Bytes& output) {
    // A type of any other length would shift every later chunk out of place.
    if (payload.size() > std::numeric_limits<std::uint32_t>::max() || type.size() != 4) return false;
    const auto typeBytes = bytesOf(type);
    platform::appendBigEndian32(output, static_cast<std::uint32_t>(payload.size()));
    output.insert(output.end(), typeBytes.begin(), typeBytes.end());
    output.insert(output.end(), payload.begin(), payload.end());
    platform::appendBigEndian32(output, crc32({typeBytes, payload}));
    return true;
}

std::optional<platform::Bytes> assemble(const std::vector<Chunk>& chunks) {
    platform::Bytes file(signature.begin(), signature.end());
    // Grown by doubling, the file would be held twice while it is copied, and a file of some
    // hundred MB is held once beside its source already.
    std::size_t length = file.size();
    for (const auto& chunk : chunks) length += 12 + chunk.payload.size();
    file.reserve(length);
    for (const auto& chunk : chunks)
        if (!serialise(chunk.type, chunk.payload, file)) return std::nullopt;
    return file;
}

std::optional<platform::Bytes> rebuild(const std::vector<Chunk>& chunks, std::span<const std::uint8_t> data,
                                       std::size_t largestChunk) {
    if (largestChunk == 0) return std::nullopt;
    platform::Bytes file(signature.begin(), signature.end());
    file.reserve(data.size() + 4096);
    bool dataWritten = false;
    for (const auto& chunk : chunks) {
        if (chunk.type != "IDAT") {
            if (!serialise(chunk.type, chunk.payload, file)) return std::nullopt;
            continue;
        }
        if (dataWritten) continue;
        dataWritten = true;
        std::size_t offset = 0;
        do {
            const std::size_t length = std::min(largestChunk, data.size() - offset);
            if (!serialise("IDAT", data.subspan(offset, length), file)) return std::nullopt;
            offset += length;
        } while (offset < data.size());
    }
    return file;
}

std::uint32_t crc32(std::initializer_list<std::span<const std::uint8_t>> pieces) {
    // libdeflate's CRC is the same polynomial and register, many bytes at a time.
    std::uint32_t crc = 0;
    for (const auto& piece : pieces) crc = pctv_libdeflate_crc32(crc, piece.data(), piece.size());
    return crc;
}

} // namespace pictavo::PNGChunks
