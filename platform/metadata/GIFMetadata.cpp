#include "platform/metadata/GIFMetadata.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace platform {
namespace {

constexpr std::uint8_t extensionIntroducer = 0x21;
constexpr std::uint8_t imageSeparator = 0x2C;
constexpr std::uint8_t commentLabel = 0xFE;
constexpr std::uint8_t applicationLabel = 0xFF;
constexpr std::string_view xmpApplication = "XMP DataXMP";
// The trailer's first bytes: a sub-block length of 1, then lengths counting down.
constexpr std::uint8_t xmpTrailerStart[] = {0x01, 0xFF, 0xFE, 0xFD, 0xFC};

// The size of a colour table its flags declare, 0 when they declare none.
std::size_t colourTableBytes(std::uint8_t flags) {
    return (flags & 0x80) ? std::size_t{3} << ((flags & 0x07) + 1) : 0;
}

// Where the sub-blocks starting at `at` end, past their terminator; appends their data when
// given somewhere to. Nothing when they run past the file.
std::optional<std::size_t> afterSubBlocks(ByteView gif, std::size_t at, Bytes* data = nullptr) {
    for (auto size = gif.u8(at); size; size = gif.u8(at)) {
        if (*size == 0) return at + 1;
        if (!gif.has(at + 1, *size)) return std::nullopt;
        if (data) data->insert(data->end(), gif.data() + at + 1, gif.data() + at + 1 + *size);
        at += 1 + std::size_t{*size};
    }
    return std::nullopt;
}

// The packet of an XMP application extension whose data starts at `at`: every byte up to the trailer.
std::optional<std::string> xmpBefore(ByteView gif, std::size_t at) {
    if (!gif.has(at, 0)) return std::nullopt;
    const std::uint8_t* begin = gif.data() + at;
    const std::uint8_t* end = gif.data() + gif.size();
    const std::uint8_t* trailer = std::search(begin, end, std::begin(xmpTrailerStart), std::end(xmpTrailerStart));
    if (trailer == end || trailer == begin) return std::nullopt;
    return std::string(begin, trailer);
}

} // namespace

GIFMetadata gifMetadata(ByteView gif) {
    GIFMetadata found;
    if (!(gif.startsWith(0, "GIF87a") || gif.startsWith(0, "GIF89a")) || !gif.has(0, 13)) return found;
    std::optional<std::size_t> at = 13 + colourTableBytes(*gif.u8(10));
    Bytes comment;
    while (at && gif.has(*at, 2)) {
        const std::uint8_t introducer = *gif.u8(*at);
        if (introducer == imageSeparator) {
            const auto flags = gif.u8(*at + 9);
            if (!flags) break;
            // The descriptor, its colour table and the LZW code size before the data.
            at = afterSubBlocks(gif, *at + 10 + colourTableBytes(*flags) + 1);
        } else if (introducer == extensionIntroducer) {
            const std::uint8_t label = *gif.u8(*at + 1);
            const std::size_t data = *at + 2;
            if (label == commentLabel) {
                Bytes text;
                at = afterSubBlocks(gif, data, &text);
                if (at && !text.empty()) {
                    if (!comment.empty()) comment.push_back('\n');
                    comment.insert(comment.end(), text.begin(), text.end());
                }
            } else {
                if (label == applicationLabel && gif.u8(data) == xmpApplication.size() &&
                    gif.startsWith(data + 1, xmpApplication) && !found.xmp)
                    found.xmp = xmpBefore(gif, data + 1 + xmpApplication.size());
                at = afterSubBlocks(gif, data);
            }
        } else {
            break; // the trailer, or bytes that are no block
        }
    }
    if (!comment.empty()) found.comment = std::move(comment);
    return found;
}

} // namespace platform
