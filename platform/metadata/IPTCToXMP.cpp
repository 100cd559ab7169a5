#include "platform/metadata/IPTCToXMP.h"

#include "platform/metadata/Exiv2Runtime.h"
#include "platform/metadata/XMPKeys.h"

#include <exiv2/exiv2.hpp>
#include <exception>
#include <limits>
#include <set>
#include <string>

namespace platform {
std::optional<XMPPacket> xmpWithIPTC(const XMPPacket* packet, const Bytes& records) {
    if (records.empty() || records.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    const auto exclusively = exiv2Exclusively();
    // exiv2 throws on damaged packets, and its value conversions may throw standard errors too.
    try {
        Exiv2::IptcData iptc;
        if (Exiv2::IptcParser::decode(iptc, records.data(), static_cast<std::uint32_t>(records.size())) != 0)
            return std::nullopt;
        Exiv2::XmpData mapped;
        Exiv2::copyIptcToXmp(iptc, mapped);
        if (mapped.empty()) return std::nullopt;
        Exiv2::XmpData xmp;
        if (packet && Exiv2::XmpParser::decode(xmp, packet->text) != 0) return std::nullopt;
        // Whole properties only: keywords half from each would be neither list.
        std::set<std::string> held;
        for (const auto& datum : xmp) held.insert(xmpTopLevelKey(datum.key()));
        for (const auto& datum : mapped)
            if (!held.count(xmpTopLevelKey(datum.key()))) xmp.add(datum);
        // Without the padding kept for editing in place: the packet goes into a new file.
        std::string text;
        if (Exiv2::XmpParser::encode(text, xmp,
                                     Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::readOnlyPacket) != 0)
            return std::nullopt;
        return XMPPacket{std::move(text), packet ? packet->leftOut : std::string()};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace platform
