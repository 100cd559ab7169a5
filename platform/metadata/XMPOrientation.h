#pragma once
#include "platform/metadata/XMPPacket.h"

#include <cstdint>
#include <optional>

namespace platform {

// The orientation (1 to 8) the packet's first readable tiff:Orientation holds, under whatever
// prefix the packet binds to the TIFF namespace, as an attribute or as an element; nothing
// when it names none, or only values outside 1 to 8 or in forms that cannot be read.
std::optional<int> xmpOrientation(const XMPPacket& packet);

// The packet with every tiff:Orientation (as an attribute or as an element, under whatever
// prefix the packet binds to the TIFF namespace) set to `orientation`; when it has none,
// the property is added to the first rdf:Description. The rest of the text is kept byte
// for byte. Nothing when the orientation is not 1 to 8, when a field cannot be read as
// written, or when there is no description to hold one: callers then drop the packet
// rather than carry a stale orientation.
std::optional<XMPPacket> xmpWithOrientation(const XMPPacket& packet, int orientation);

// The packet with every exif:PixelXDimension and exif:PixelYDimension it holds set to the
// written image's size, so a redrawn copy does not claim the source's size; none is added.
// Nothing when one of them cannot be read as written.
std::optional<XMPPacket> xmpWithPixelDimensions(const XMPPacket& packet, std::int64_t width, std::int64_t height);

} // namespace platform
