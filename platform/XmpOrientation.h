#pragma once
#include "platform/XmpPacket.h"

#include <optional>

namespace platform {

// The packet with every tiff:Orientation (as an attribute or as an element, under whatever
// prefix the packet binds to the TIFF namespace) set to `orientation`; when it has none,
// the property is added to the first rdf:Description. The rest of the text is kept byte
// for byte. Nothing when the orientation is not 1 to 8, when a field cannot be read as
// written, or when there is no description to hold one: callers then drop the packet
// rather than carry a stale orientation.
std::optional<XmpPacket> xmpWithOrientation(const XmpPacket& packet, int orientation);

} // namespace platform
