#include "platform/metadata/PNGTextToXMP.h"

#include "platform/metadata/Exiv2Runtime.h"
#include "platform/metadata/XMPDate.h"
#include "platform/metadata/XMPKeys.h"

#include <exiv2/exiv2.hpp>
#include <exception>
#include <memory>
#include <set>

namespace platform {
namespace {

// The value a text takes in the property its keyword maps to; nothing for a keyword without
// one, or a Creation Time that is no date.
struct Mapped {
    const char* key = nullptr;
    std::unique_ptr<Exiv2::Value> value;
};

Mapped mapped(const PNGText& text) {
    const auto inDefaultLanguage = [&](const char* key) {
        auto value = std::make_unique<Exiv2::LangAltValue>();
        value->value_["x-default"] = text.text;
        return Mapped{key, std::move(value)};
    };
    if (text.keyword == "Title") return inDefaultLanguage("Xmp.dc.title");
    if (text.keyword == "Description") return inDefaultLanguage("Xmp.dc.description");
    if (text.keyword == "Copyright") return inDefaultLanguage("Xmp.dc.rights");
    if (text.keyword == "Author") {
        auto value = std::make_unique<Exiv2::XmpArrayValue>(Exiv2::xmpSeq);
        value->read(text.text);
        return {"Xmp.dc.creator", std::move(value)};
    }
    if (text.keyword == "Software") return {"Xmp.xmp.CreatorTool", std::make_unique<Exiv2::XmpTextValue>(text.text)};
    if (text.keyword == "Creation Time") {
        const std::string date = xmpDateOfText(text.text);
        if (!date.empty()) return {"Xmp.xmp.CreateDate", std::make_unique<Exiv2::XmpTextValue>(date)};
    }
    return {};
}

} // namespace

PNGTextInXMP xmpWithPNGText(const XMPPacket* packet, const std::vector<PNGText>& texts) {
    PNGTextInXMP result;
    PNGTextInXMP failed;
    for (const auto& text : texts) failed.unplaced.push_back(text.keyword);
    const auto exclusively = exiv2Exclusively();
    // exiv2 throws on damaged packets, and its value conversions may throw standard errors too.
    try {
        Exiv2::XmpData xmp;
        if (packet && Exiv2::XmpParser::decode(xmp, packet->text) != 0) return failed;
        std::set<std::string> held;
        for (const auto& datum : xmp) held.insert(xmpTopLevelKey(datum.key()));
        bool added = false;
        for (const auto& text : texts) {
            Mapped property = mapped(text);
            if (!property.key) {
                result.unplaced.push_back(text.keyword);
            } else if (held.insert(property.key).second) {
                xmp.add(Exiv2::XmpKey(property.key), property.value.get());
                added = true;
            }
        }
        if (!added) return result;
        // Without the padding kept for editing in place: the packet goes into a new file.
        std::string encoded;
        if (Exiv2::XmpParser::encode(encoded, xmp,
                                     Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::readOnlyPacket) != 0)
            return failed;
        result.packet = XMPPacket{std::move(encoded), packet ? packet->leftOut : std::string()};
        return result;
    } catch (const std::exception&) {
        return failed;
    }
}

} // namespace platform
