#pragma once
#include <memory>
#include <string>

namespace platform {

// An XMP packet as the source carried it: UTF-8 text, parsed only by a stage that edits it.
struct XMPPacket {
    std::string text;
    // What the reader could not carry of the source's XMP and why (an extension that is
    // missing or unsound); empty when it carried all of it.
    std::string leftOut = {};
};
using XmpRef = std::shared_ptr<const XMPPacket>;

} // namespace platform
