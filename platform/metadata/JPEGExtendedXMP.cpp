#include "platform/metadata/JPEGExtendedXMP.h"

#include "platform/metadata/ExtendedXMP.h"
#include "platform/metadata/MD5.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace platform {
namespace {

constexpr std::uint8_t app1 = 0xE1;
constexpr std::uint8_t startOfScan = 0xDA;
constexpr std::uint8_t endOfImage = 0xD9;

struct Chunk {
    std::uint32_t offset;
    ByteView bytes;
};

bool sameGuid(ByteView stored, std::string_view guid) {
    if (stored.size() != guid.size()) return false;
    for (std::size_t i = 0; i < guid.size(); ++i) {
        const auto upper = [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c; };
        if (upper(static_cast<char>(stored.data()[i])) != upper(guid[i])) return false;
    }
    return true;
}

// Every extended XMP chunk for `guid` before the image data, with the full length they
// name; false when two of them name different lengths.
bool collectChunks(ByteView jpeg, std::string_view guid, std::vector<Chunk>& chunks, std::uint32_t& fullLength) {
    if (!jpeg.startsWith(0, "\xFF\xD8")) return true;
    std::size_t at = 2;
    bool lengthKnown = false;
    while (jpeg.u8(at) == 0xFF) {
        while (jpeg.u8(at) == 0xFF) ++at; // fill bytes
        const auto marker = jpeg.u8(at++);
        if (!marker || *marker == startOfScan || *marker == endOfImage) break;
        if ((*marker >= 0xD0 && *marker <= 0xD7) || *marker == 0x01) continue; // no length
        const auto length = jpeg.u16be(at);
        if (!length || *length < 2 || !jpeg.has(at, *length)) break;
        const ByteView payload = jpeg.sub(at + 2, *length - 2u);
        at += *length;
        if (*marker != app1 || payload.size() < extendedXMPChunkHeader ||
            !payload.startsWith(0, extendedXMPSignature))
            continue;
        if (!sameGuid(payload.sub(extendedXMPSignature.size(), 32), guid)) continue;
        const std::uint32_t full = *payload.u32be(extendedXMPSignature.size() + 32);
        if (lengthKnown && full != fullLength) return false;
        fullLength = full;
        lengthKnown = true;
        chunks.push_back({*payload.u32be(extendedXMPSignature.size() + 36),
                          payload.sub(extendedXMPChunkHeader, payload.size() - extendedXMPChunkHeader)});
    }
    return true;
}

} // namespace

std::optional<std::string> jpegExtendedXMP(ByteView jpeg, std::string_view guid) {
    std::vector<Chunk> chunks;
    std::uint32_t fullLength = 0;
    if (!collectChunks(jpeg, guid, chunks, fullLength) || chunks.empty() || fullLength == 0) return std::nullopt;
    std::sort(chunks.begin(), chunks.end(), [](const Chunk& a, const Chunk& b) {
        return a.offset != b.offset ? a.offset < b.offset : a.bytes.size() < b.bytes.size();
    });
    // The chunks must tile the whole length exactly; a chunk written twice the same is harmless.
    std::uint64_t covered = 0;
    std::vector<const Chunk*> tiling;
    for (const Chunk& chunk : chunks) {
        if (!tiling.empty() && chunk.offset == tiling.back()->offset && chunk.bytes.size() == tiling.back()->bytes.size() &&
            std::equal(chunk.bytes.data(), chunk.bytes.data() + chunk.bytes.size(), tiling.back()->bytes.data()))
            continue;
        if (chunk.offset != covered) return std::nullopt; // a gap or an overlap
        covered += chunk.bytes.size();
        if (covered > fullLength) return std::nullopt;
        tiling.push_back(&chunk);
    }
    if (covered != fullLength) return std::nullopt;

    std::string text;
    text.reserve(fullLength);
    for (const Chunk* chunk : tiling)
        text.append(reinterpret_cast<const char*>(chunk->bytes.data()), chunk->bytes.size());
    const std::string digest = md5UpperHex(text);
    if (!sameGuid(ByteView(reinterpret_cast<const std::uint8_t*>(digest.data()), digest.size()), guid))
        return std::nullopt;
    return text;
}

XMPPacket jpegXMPWithExtension(XMPPacket standard, ByteView jpeg) {
    // Most packets name no extension; reading one properly costs more than this look.
    if (standard.text.find("HasExtendedXMP") == std::string::npos) return standard;
    const auto guid = extendedXMPGuid(standard);
    if (!guid) return standard;
    const auto extended = jpegExtendedXMP(jpeg, *guid);
    if (!extended) return standard;
    auto merged = mergedXMP(standard, *extended);
    return merged ? std::move(*merged) : std::move(standard);
}

} // namespace platform
