#include "platform/metadata/JPEGComment.h"

#include "platform/metadata/JPEGSegments.h"

namespace platform {

std::optional<Bytes> jpegComment(ByteView jpeg) {
    constexpr std::uint8_t commentMarker = 0xFE;
    Bytes text;
    forEachJPEGSegment(jpeg, [&](std::uint8_t marker, ByteView payload) {
        if (marker == commentMarker && payload.size() > 0) {
            if (!text.empty()) text.push_back('\n');
            text.insert(text.end(), payload.data(), payload.data() + payload.size());
        }
        return true;
    });
    if (text.empty()) return std::nullopt;
    return text;
}

} // namespace platform
