#pragma once
#include "platform/base/Bytes.h"
#include "platform/metadata/XMPPacket.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Carried Photoshop resources (see PhotoshopResources.h) in an XMP packet, for a file that
// holds XMP but no Photoshop resources: the copyright flag as xmpRights:Marked and the URL as
// xmpRights:WebStatement, as ExifTool's metadata working group mapping pairs them.
struct PhotoshopResourcesInXMP {
    // The packet (or a new one when there is none) with those added; a property the packet
    // already holds keeps its value. Nothing when no resource adds a property.
    std::optional<XMPPacket> packet;
    // What the other resources are ("slices", "version information"), in the block's order,
    // each named once; those the output states its own way (the resolution, the IPTC's
    // digest) are not named. All of them when exiv2 cannot read the packet or write the result.
    std::vector<std::string> unplaced;
};
PhotoshopResourcesInXMP xmpWithPhotoshopResources(const XMPPacket* packet, const Bytes& resources);

} // namespace platform
