#include "platform/write/PNGMetadataChunks.h"

#include "platform/base/BigEndian.h"
#include "platform/text/UnicodeText.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>

namespace platform {
namespace {

constexpr std::array<std::uint8_t, 8> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Length and type before each payload, CRC after it.
constexpr std::size_t chunkOverhead = 12;
constexpr std::string_view xmpKeyword = "XML:com.adobe.xmp";
constexpr std::string_view commentKeyword = "Comment";

// Where the first IDAT chunk starts; none when the chunks before it do not add up.
std::optional<std::size_t> firstImageDataOffset(const Bytes& png) {
    if (png.size() < signature.size() || !std::equal(signature.begin(), signature.end(), png.begin()))
        return std::nullopt;
    std::size_t at = signature.size();
    while (png.size() - at >= chunkOverhead) {
        if (std::string_view(reinterpret_cast<const char*>(png.data() + at + 4), 4) == "IDAT") return at;
        const std::size_t length = readBigEndian32(png.data() + at);
        if (length > png.size() - at - chunkOverhead) return std::nullopt;
        at += chunkOverhead + length;
    }
    return std::nullopt;
}

bool appendChunk(Bytes& output, std::string_view type, const Bytes& payload) {
    if (payload.size() > std::numeric_limits<std::int32_t>::max()) return false;
    appendBigEndian32(output, static_cast<std::uint32_t>(payload.size()));
    const std::size_t typeAt = output.size();
    output.insert(output.end(), type.begin(), type.end());
    output.insert(output.end(), payload.begin(), payload.end());
    const uLong crc = crc32_z(crc32_z(0, nullptr, 0), output.data() + typeAt, output.size() - typeAt);
    appendBigEndian32(output, static_cast<std::uint32_t>(crc));
    return true;
}

// Keyword, then the compression flag and method (none), an empty language tag and an empty
// translated keyword, each text ended by a zero byte; the packet itself is UTF-8.
Bytes internationalTextPayload(std::string_view keyword, const std::string& text) {
    Bytes payload(keyword.begin(), keyword.end());
    for (std::uint8_t byte : {0, 0, 0, 0, 0}) payload.push_back(byte);
    payload.insert(payload.end(), text.begin(), text.end());
    return payload;
}

// A text in no declared character set: UTF-8 beyond ASCII goes as such; anything else is
// Latin-1 text to PNG, which holds no zero byte in it.
bool appendTextChunk(Bytes& output, std::string_view keyword, std::string_view text) {
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii && isValidUTF8(text)) return appendChunk(output, "iTXt", internationalTextPayload(keyword, std::string(text)));
    Bytes payload(keyword.begin(), keyword.end());
    payload.push_back(0);
    std::copy_if(text.begin(), text.end(), std::back_inserter(payload), [](char c) { return c != 0; });
    return appendChunk(output, "tEXt", payload);
}

} // namespace

std::optional<Bytes> pngWithMetadataChunks(const Bytes& png, const CarriedMetadata& metadata) {
    const auto insertAt = firstImageDataOffset(png);
    if (!insertAt) return std::nullopt;
    Bytes output(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(*insertAt));
    const auto& exif = metadata.exif;
    const auto& xmp = metadata.xmp;
    const auto& comment = metadata.comment;
    if (exif && !exif->empty() && !appendChunk(output, "eXIf", *exif)) return std::nullopt;
    if (xmp && !xmp->text.empty() && !appendChunk(output, "iTXt", internationalTextPayload(xmpKeyword, xmp->text)))
        return std::nullopt;
    if (comment && !comment->empty() &&
        !appendTextChunk(output, commentKeyword,
                         std::string_view(reinterpret_cast<const char*>(comment->data()), comment->size())))
        return std::nullopt;
    for (const PNGText& text : metadata.pngTexts)
        if (!appendTextChunk(output, text.keyword, text.text)) return std::nullopt;
    output.insert(output.end(), png.begin() + static_cast<std::ptrdiff_t>(*insertAt), png.end());
    return output;
}

} // namespace platform
