#pragma once
#include "platform/metadata/XMPPacket.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// A property to add to an XMP packet, named by its exiv2 key ("Xmp.dc.title"); its value is
// written as XML can hold it (text that is not UTF-8 read as Latin-1, control characters left
// out).
struct XMPAddition {
    enum class Form {
        text,
        inDefaultLanguage, // a language alternative with the one x-default entry
        orderedList,       // an rdf:Seq of one entry
    };
    std::string key;
    Form form = Form::text;
    std::string value;
};

struct XMPWithAdditions {
    // The packet (a new one when there was none) with every addition whose property it did not
    // hold yet, as an editor's word in the packet is the newer one; nothing when none was added.
    std::optional<XMPPacket> packet;
    // exiv2 could not read the packet or write the result: nothing was added.
    bool failed = false;
};
XMPWithAdditions xmpWithAdditions(const XMPPacket* packet, const std::vector<XMPAddition>& additions);

} // namespace platform
