#include "platform/read/StoredSides.h"

#include "platform/metadata/JPEGSegments.h"
#include "platform/read/PNGSummary.h"

namespace platform {
namespace {

// The start-of-frame markers of every coding process; C4 (Huffman tables), C8 (reserved)
// and CC (arithmetic conditioning) share their range without being frames.
bool isStartOfFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<StoredSides> jpegSides(ByteView jpeg) {
    std::optional<StoredSides> sides;
    forEachJPEGSegment(jpeg, [&](std::uint8_t marker, ByteView payload) {
        if (!isStartOfFrame(marker)) return true;
        const auto height = payload.u16be(1);
        const auto width = payload.u16be(3);
        // A height of 0 is given later by a DNL marker, which only the decoder reads.
        if (width && height && *width > 0 && *height > 0) sides = StoredSides{*width, *height};
        return false;
    });
    return sides;
}

} // namespace

std::optional<StoredSides> storedSidesFromHeader(ByteView start) {
    if (const auto png = summarisePng(start)) {
        if (png->width == 0 || png->height == 0) return std::nullopt;
        return StoredSides{png->width, png->height};
    }
    return jpegSides(start);
}

} // namespace platform
