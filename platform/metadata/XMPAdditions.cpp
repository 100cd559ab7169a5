#include "platform/metadata/XMPAdditions.h"

#include "platform/metadata/Exiv2Runtime.h"
#include "platform/metadata/XMPKeys.h"
#include "platform/text/UnicodeText.h"

#include <exiv2/exiv2.hpp>
#include <exception>
#include <memory>
#include <set>
#include <string_view>

namespace platform {
namespace {

// The text as XML holds it: UTF-8 (a text that is not is read as Latin-1, as PNG's tEXt and
// Photoshop's resources are written), without the control characters XML does not allow.
std::string xmlText(std::string_view text) {
    std::string utf8;
    if (isValidUTF8(text)) utf8 = text;
    else
        for (const char c : text) appendScalar(utf8, static_cast<unsigned char>(c));
    std::string allowed;
    for (const char32_t scalar : scalars(utf8))
        if (scalar == 0x9 || scalar == 0xA || scalar == 0xD || (scalar >= 0x20 && scalar != 0xFFFE && scalar != 0xFFFF))
            appendScalar(allowed, scalar);
    return allowed;
}

std::unique_ptr<Exiv2::Value> valueOf(const XMPAddition& addition) {
    const std::string text = xmlText(addition.value);
    switch (addition.form) {
    case XMPAddition::Form::inDefaultLanguage: {
        auto value = std::make_unique<Exiv2::LangAltValue>();
        value->value_["x-default"] = text;
        return value;
    }
    case XMPAddition::Form::orderedList: {
        auto value = std::make_unique<Exiv2::XmpArrayValue>(Exiv2::xmpSeq);
        value->read(text);
        return value;
    }
    case XMPAddition::Form::text: break;
    }
    return std::make_unique<Exiv2::XmpTextValue>(text);
}

} // namespace

XMPWithAdditions xmpWithAdditions(const XMPPacket* packet, const std::vector<XMPAddition>& additions) {
    const XMPWithAdditions failed{std::nullopt, true};
    const auto exclusively = exiv2Exclusively();
    // exiv2 throws on damaged packets, and its value conversions may throw standard errors too.
    try {
        Exiv2::XmpData xmp;
        if (packet && Exiv2::XmpParser::decode(xmp, packet->text) != 0) return failed;
        std::set<std::string> held;
        for (const auto& datum : xmp) held.insert(xmpTopLevelKey(datum.key()));
        bool added = false;
        for (const auto& addition : additions) {
            if (!held.insert(addition.key).second) continue;
            xmp.add(Exiv2::XmpKey(addition.key), valueOf(addition).get());
            added = true;
        }
        if (!added) return {};
        // Without the padding kept for editing in place: the packet goes into a new file.
        std::string encoded;
        if (Exiv2::XmpParser::encode(encoded, xmp,
                                     Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::readOnlyPacket) != 0)
            return failed;
        return {XMPPacket{std::move(encoded), packet ? packet->leftOut : std::string()}, false};
    } catch (const std::exception&) {
        return failed;
    }
}

} // namespace platform
