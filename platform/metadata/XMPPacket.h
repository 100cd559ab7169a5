#pragma once
#include <memory>
#include <string>

namespace platform {

// An XMP packet as the source carried it: UTF-8 text, parsed only by a stage that edits it.
struct XMPPacket {
    std::string text;
};
using XmpRef = std::shared_ptr<const XMPPacket>;

} // namespace platform
