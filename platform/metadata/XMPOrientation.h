#pragma once
#include "platform/base/Outcome.h"
#include "platform/metadata/XMPPacket.h"

#include <cstdint>
#include <optional>

namespace platform {

// The orientation (1 to 8) the packet's own tiff:Orientation holds (a top-level property,
// under whatever prefix the packet binds to the TIFF namespace, as an attribute or as an
// element); nothing when it names none, or only values outside 1 to 8 or that are not a
// number. An orientation inside a structure (a placed document's, a history entry's) is
// another document's and never read.
std::optional<int> xmpOrientation(const XMPPacket& packet);

// The packet with its own tiff:Orientation set to `orientation`, whatever it held (a word,
// nothing, an empty element); when it has none, the property is added to the first
// top-level rdf:Description. Orientations inside structures and every other byte of the
// text stay as they were. Fails, saying why, when the orientation is not 1 to 8, when the
// text is not XML, or when there is no description to hold one: callers then drop the
// packet rather than carry a stale orientation.
Outcome<XMPPacket> xmpWithOrientation(const XMPPacket& packet, int orientation);

// The packet with its own exif:PixelXDimension and exif:PixelYDimension, and tiff:ImageWidth
// and tiff:ImageLength, set to the written image's size, so a redrawn copy does not claim the source's size; none is added. Fails,
// saying why, only when the text is not XML.
Outcome<XMPPacket> xmpWithPixelDimensions(const XMPPacket& packet, std::int64_t width, std::int64_t height);

} // namespace platform
