#include "platform/metadata/XMPAdditions.h"

#include "platform/metadata/Exiv2Runtime.h"
#include "platform/metadata/XMPKeys.h"

#include <exiv2/exiv2.hpp>
#include <exception>
#include <memory>
#include <set>

namespace platform {
namespace {

std::unique_ptr<Exiv2::Value> valueOf(const XMPAddition& addition) {
    switch (addition.form) {
    case XMPAddition::Form::inDefaultLanguage: {
        auto value = std::make_unique<Exiv2::LangAltValue>();
        value->value_["x-default"] = addition.value;
        return value;
    }
    case XMPAddition::Form::orderedList: {
        auto value = std::make_unique<Exiv2::XmpArrayValue>(Exiv2::xmpSeq);
        value->read(addition.value);
        return value;
    }
    case XMPAddition::Form::text: break;
    }
    return std::make_unique<Exiv2::XmpTextValue>(addition.value);
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
