#pragma once
#include "platform/metadata/XMPPacket.h"

#include <string>
#include <vector>

namespace platform {

// A packet without the fields that point at items appended to the source file after its
// picture, for an output that does not carry them: a motion photo's video (GCamera's
// MicroVideo and MotionPhoto fields, whose offsets count from the end of the file), an Ultra
// HDR gain map's parameters (every hdrgm property), and the Container directory that lists
// every appended item. Every other byte stays as it was.
struct XMPWithoutAppendedItems {
    XMPPacket packet;
    // The fields taken out, as the packet names them, in text order; empty when it had none.
    std::vector<std::string> removed = {};
};

// The packet as it was when it is not XML: no field of it can then be told apart.
XMPWithoutAppendedItems xmpWithoutAppendedItems(const XMPPacket& packet);

} // namespace platform
