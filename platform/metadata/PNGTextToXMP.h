#pragma once
#include "platform/metadata/PNGText.h"
#include "platform/metadata/XMPPacket.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// A PNG's text chunks in an XMP packet, for a file that holds XMP but no PNG text: Title as
// dc:title, Author as dc:creator, Description as dc:description, Copyright as dc:rights,
// Creation Time as xmp:CreateDate (when it reads as a date) and Software as xmp:CreatorTool.
struct PNGTextInXMP {
    // The packet (or a new one when there is none) with those added; a property the packet
    // already holds keeps its value. Nothing when no text adds a property.
    std::optional<XMPPacket> packet;
    // The keywords of the texts that found no place, in the file's order: all of them when
    // exiv2 cannot read the packet or write the result.
    std::vector<std::string> unplaced;
};
PNGTextInXMP xmpWithPNGText(const XMPPacket* packet, const std::vector<PNGText>& texts);

} // namespace platform
