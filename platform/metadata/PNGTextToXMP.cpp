#include "platform/metadata/PNGTextToXMP.h"

#include "platform/metadata/XMPAdditions.h"
#include "platform/metadata/XMPDate.h"

namespace platform {
namespace {

using Form = XMPAddition::Form;

// The property a text goes into; nothing for a keyword without one, or a Creation Time that
// is no date.
std::optional<XMPAddition> propertyOf(const PNGText& text) {
    if (text.keyword == "Title") return XMPAddition{"Xmp.dc.title", Form::inDefaultLanguage, text.text};
    if (text.keyword == "Description") return XMPAddition{"Xmp.dc.description", Form::inDefaultLanguage, text.text};
    if (text.keyword == "Copyright") return XMPAddition{"Xmp.dc.rights", Form::inDefaultLanguage, text.text};
    if (text.keyword == "Author") return XMPAddition{"Xmp.dc.creator", Form::orderedList, text.text};
    if (text.keyword == "Software") return XMPAddition{"Xmp.xmp.CreatorTool", Form::text, text.text};
    if (text.keyword == "Creation Time")
        if (std::string date = xmpDateOfText(text.text); !date.empty())
            return XMPAddition{"Xmp.xmp.CreateDate", Form::text, std::move(date)};
    return std::nullopt;
}

} // namespace

PNGTextInXMP xmpWithPNGText(const XMPPacket* packet, const std::vector<PNGText>& texts) {
    PNGTextInXMP result;
    std::vector<XMPAddition> additions;
    for (const auto& text : texts) {
        if (auto property = propertyOf(text)) additions.push_back(std::move(*property));
        else result.unplaced.push_back(text.keyword);
    }
    if (additions.empty()) return result;
    XMPWithAdditions added = xmpWithAdditions(packet, additions);
    if (added.failed) {
        result.unplaced.clear();
        for (const auto& text : texts) result.unplaced.push_back(text.keyword);
    }
    result.packet = std::move(added.packet);
    return result;
}

} // namespace platform
