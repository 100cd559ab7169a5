#pragma once
#include "platform/base/PropertyMap.h"
#include "platform/metadata/XMPPacket.h"

#include <cstdint>
#include <optional>

namespace platform {

// What an image writer is told besides the pixels. The embedded colour profile is never
// taken from here: it is always the written image's own.
struct WriterProperties {
    // 0...1; only lossy formats read it, and an absent value means the format's default.
    std::optional<double> lossyQuality;
    // 1...8, written to every orientation field the format has (EXIF, XMP, native).
    std::uint32_t orientation = 1;
    // The carried property dictionary (EXIF with its GPS IFD, IPTC, resolution), or none.
    const PropertyMap* properties = nullptr;
    // The carried XMP packet, or none.
    const XMPPacket* xmp = nullptr;
};

} // namespace platform
