#pragma once
#include "platform/base/Bytes.h"
#include "platform/metadata/XMPPacket.h"

#include <optional>

namespace platform {

// The packet (or a new one when there is none) with the IPTC records' properties added as the
// usual IPTC-to-XMP mapping names them (keywords as dc:subject, caption as dc:description,
// by-line as dc:creator, copyright as dc:rights, the place as photoshop:City, State, Country
// and Iptc4xmpCore:Location, and the rest of that mapping), for a file that holds XMP but no
// IPTC. A property the packet already holds keeps its value. Text is read as UTF-8 when the
// records say so or are valid UTF-8, else as Latin-1. Nothing when the records hold nothing
// that maps, or exiv2 cannot read them or the packet.
std::optional<XMPPacket> xmpWithIPTC(const XMPPacket* packet, const Bytes& records);

} // namespace platform
