#include "platform/metadata/JPEGExif.h"

#include "platform/metadata/JPEGSegments.h"

#include <cstdint>
#include <string_view>

namespace platform {
std::optional<Bytes> jpegJoinedExif(ByteView jpeg) {
    Bytes joined;
    std::size_t segments = 0;
    bool goesOn = false; // the last segment was a full one of the block
    forEachJPEGSegment(jpeg, [&](std::uint8_t marker, ByteView payload) {
        const bool exif = marker == jpegAPP1 && payload.startsWith(0, jpegExifHeader);
        if (segments > 0 && (!exif || !goesOn)) return false;
        if (exif) {
            joined.insert(joined.end(), payload.data() + jpegExifHeader.size(), payload.data() + payload.size());
            ++segments;
            // A segment cut short of the most one holds ends the block: what follows is another one.
            goesOn = payload.size() == jpegLargestPayload;
        }
        return true;
    });
    if (segments < 2) return std::nullopt;
    return joined;
}

} // namespace platform
