#include "platform/metadata/JPEGExtendedXMP.h"

#include "platform/metadata/BytesText.h"
#include "platform/metadata/ExtendedXMP.h"
#include "platform/metadata/JPEGSegments.h"
#include "platform/metadata/XMPTopLevel.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace platform {
namespace {

constexpr std::string_view xmpNoteNamespace = "http://ns.adobe.com/xmp/note/";

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
    bool agree = true;
    forEachJPEGSegment(jpeg, [&](std::uint8_t marker, ByteView payload) {
        if (marker != jpegAPP1 || payload.size() < extendedXMPChunkHeader ||
            !payload.startsWith(0, extendedXMPSignature) || !sameGuid(payload.sub(extendedXMPSignature.size(), 32), guid))
            return true;
        const std::uint32_t full = *payload.u32be(extendedXMPSignature.size() + 32);
        if (!chunks.empty() && full != fullLength) return agree = false;
        fullLength = full;
        chunks.push_back({*payload.u32be(extendedXMPSignature.size() + 36),
                          payload.sub(extendedXMPChunkHeader, payload.size() - extendedXMPChunkHeader)});
        return true;
    });
    return agree;
}

} // namespace

Outcome<std::string> jpegExtendedXMP(ByteView jpeg, std::string_view guid) {
    using Failure = Outcome<std::string>;
    std::vector<Chunk> chunks;
    std::uint32_t fullLength = 0;
    if (!collectChunks(jpeg, guid, chunks, fullLength)) return Failure::failure("its chunks disagree on its length");
    if (chunks.empty() || fullLength == 0) return Failure::failure("the file holds no segment of it");
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
        if (chunk.offset > covered)
            return Failure::failure("its chunks leave a gap at byte " + std::to_string(covered) + " of " +
                                    bytesText(fullLength));
        if (chunk.offset < covered)
            return Failure::failure("its chunks overlap at byte " + std::to_string(chunk.offset));
        covered += chunk.bytes.size();
        if (covered > fullLength)
            return Failure::failure("its chunks run past its length of " + bytesText(fullLength));
        tiling.push_back(&chunk);
    }
    if (covered != fullLength)
        return Failure::failure("the file holds " + bytesText(covered) + " of its " + bytesText(fullLength));

    std::string text;
    text.reserve(fullLength);
    for (const Chunk* chunk : tiling)
        text.append(reinterpret_cast<const char*>(chunk->bytes.data()), chunk->bytes.size());
    return text;
}

XMPPacket jpegXMPWithExtension(XMPPacket standard, ByteView jpeg) {
    // Most packets name no extension; reading one properly costs more than this look.
    if (standard.text.find("HasExtendedXMP") == std::string::npos) return standard;
    const auto guid = extendedXMPGuid(standard);
    if (!guid) return xmpWithoutExtension(std::move(standard), "the packet names it by no valid GUID");
    const auto extended = jpegExtendedXMP(jpeg, *guid);
    if (!extended) return xmpWithoutExtension(std::move(standard), extended.cause());
    auto merged = mergedXMP(standard, *extended);
    if (!merged) return xmpWithoutExtension(std::move(standard), "exiv2 could not read it");
    return std::move(*merged);
}

XMPPacket xmpWithoutExtension(XMPPacket packet, const std::string& why) {
    // No name without the property's own local part can be it.
    if (packet.text.find("HasExtendedXMP") == std::string::npos) return packet;
    const auto topLevel = xmpTopLevel(packet.text, xmpNoteNamespace, "HasExtendedXMP");
    if (!topLevel || topLevel->fields.empty()) return packet;
    const std::size_t begin = topLevel->fields.front().valueBegin;
    const std::size_t end = topLevel->fields.front().valueEnd;
    const std::string guid = topLevel->fields.front().form == XMPTopLevelField::Form::emptyElement
                                 ? std::string()
                                 : packet.text.substr(begin, end - begin);
    packet.leftOut = "the extended XMP the packet names (" + (guid.empty() ? std::string("no GUID") : guid) +
                     ") was left out: " + why;
    packet.text = xmpWithFieldsRemoved(std::move(packet.text), topLevel->fields);
    return packet;
}

} // namespace platform
