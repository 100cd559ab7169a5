#pragma once
#include "platform/base/Outcome.h"
#include "platform/metadata/XMPPacket.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// An XMP packet cut in two for a file that holds only so much in its one packet (JPEG): a
// standard packet that names the rest in xmpNote:HasExtendedXMP, and the rest, a whole
// x:xmpmeta serialisation without packet wrapper, named by the upper-case MD5 of its bytes.
struct SplitXMP {
    XMPPacket standard;
    std::string extended;
    std::string guid;
};

// The packet split so that the standard part is at most `standardLimit` bytes. Whole
// top-level properties move to the extended part, the largest first (edit histories,
// camera raw settings, embedded thumbnails), until the rest fits; the title, dates, rating
// and orientation always stay where every reader finds them. Fails, saying why, when the
// packet cannot be read or even its smallest standard part is too large.
Outcome<SplitXMP> splitXMP(const XMPPacket& packet, std::size_t standardLimit);

// The GUID a standard packet gives for its extended part: 32 hexadecimal digits, or nothing.
std::optional<std::string> extendedXMPGuid(const XMPPacket& standard);

// The standard packet with the properties of its extended part put back and its
// xmpNote:HasExtendedXMP removed. A property the standard packet already holds keeps the
// standard packet's value. Nothing when either part cannot be read.
std::optional<XMPPacket> mergedXMP(const XMPPacket& standard, std::string_view extended);

} // namespace platform
