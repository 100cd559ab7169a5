#include "platform/metadata/ExtendedXMP.h"

#include "platform/metadata/Exiv2Runtime.h"
#include "platform/metadata/MD5.h"
#include "platform/metadata/XMPKeys.h"

#include <exiv2/exiv2.hpp>
#include <algorithm>
#include <exception>
#include <map>
#include <set>
#include <vector>

namespace platform {
namespace {

const std::string hasExtendedKey = "Xmp.xmpNote.HasExtendedXMP";
const std::set<std::string> alwaysStandard = {
    "Xmp.dc.title",          "Xmp.xmp.Rating",          "Xmp.xmp.CreateDate",         "Xmp.xmp.ModifyDate",
    "Xmp.xmp.MetadataDate",  "Xmp.photoshop.DateCreated", "Xmp.exif.DateTimeOriginal", "Xmp.exif.DateTimeDigitized",
    "Xmp.tiff.DateTime",     "Xmp.tiff.Orientation"};

// What the standard packet holds while the extended part's digest is not yet known: as
// long as the digest, so that the standard packet measured with it is the one written.
const std::string placeholderGuid(32, '0');

std::set<std::string> topLevelsOf(const Exiv2::XmpData& data) {
    std::set<std::string> names;
    for (const auto& datum : data) names.insert(xmpTopLevelKey(datum.key()));
    return names;
}

void eraseKey(Exiv2::XmpData& data, const std::string& key) {
    for (auto found = data.findKey(Exiv2::XmpKey(key)); found != data.end(); found = data.findKey(Exiv2::XmpKey(key)))
        data.erase(found);
}

Outcome<std::string> serialised(const Exiv2::XmpData& data, std::uint32_t flags) {
    std::string text;
    if (Exiv2::XmpParser::encode(text, data, flags) != 0 || text.empty())
        return Outcome<std::string>::failure("exiv2 could not write the XMP packet");
    return text;
}

// A packet for a new file: without the padding kept for editing in place.
constexpr std::uint32_t packetFlags = Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::readOnlyPacket;
constexpr std::uint32_t extensionFlags = Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::omitPacketWrapper;

bool isHexGuid(const std::string& text) {
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
           });
}

} // namespace

Outcome<SplitXMP> splitXMP(const XMPPacket& packet, std::size_t standardLimit) {
    using Failure = Outcome<SplitXMP>;
    const auto exclusively = exiv2Exclusively();
    // exiv2 throws on damaged packets, and its value conversions may throw standard errors too.
    try {
        Exiv2::XmpData all;
        if (Exiv2::XmpParser::decode(all, packet.text) != 0)
            return Failure::failure("exiv2 could not read the XMP packet of " + std::to_string(packet.text.size()) +
                                    " bytes to split it");
        eraseKey(all, hasExtendedKey);

        // Each top-level property with its size as its keys and values measure it, in the
        // order the packet gives them; the serialisation only needs to be ranked, not known.
        std::vector<std::string> order;
        std::map<std::string, std::size_t> sizes;
        for (const auto& datum : all) {
            const std::string name = xmpTopLevelKey(datum.key());
            if (!sizes.count(name)) order.push_back(name);
            sizes[name] += datum.key().size() + datum.toString().size();
        }
        // What is small and most read stays where every reader finds it, whatever its size:
        // readers without extended XMP (exiv2 among them) would otherwise lose a long title.
        std::erase_if(order, [](const std::string& name) { return alwaysStandard.count(name) > 0; });
        std::stable_sort(order.begin(), order.end(),
                         [&](const std::string& a, const std::string& b) { return sizes[a] > sizes[b]; });

        // The standard packet without the `count` largest properties.
        const auto standardWithout = [&](std::size_t count, const std::string& guid) {
            const std::set<std::string> moved(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count));
            Exiv2::XmpData kept;
            for (const auto& datum : all)
                if (!moved.count(xmpTopLevelKey(datum.key()))) kept.add(datum);
            if (count > 0) kept[hasExtendedKey] = guid;
            return serialised(kept, packetFlags);
        };
        const auto fits = [&](std::size_t count) {
            const auto text = standardWithout(count, placeholderGuid);
            return text && text->size() <= standardLimit;
        };

        // Moving more never makes the standard packet larger, so the fewest properties that
        // must move are found by halving.
        std::size_t low = 0, high = order.size();
        if (!fits(high))
            return Failure::failure("the XMP packet of " + std::to_string(packet.text.size()) +
                                    " bytes does not fit in " + std::to_string(standardLimit) +
                                    " bytes even with every property but its title, dates, rating and "
                                    "orientation in its extension");
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (fits(middle)) high = middle;
            else low = middle + 1;
        }

        SplitXMP split;
        if (low > 0) {
            const std::set<std::string> moved(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(low));
            Exiv2::XmpData extension;
            for (const auto& datum : all)
                if (moved.count(xmpTopLevelKey(datum.key()))) extension.add(datum);
            auto extended = serialised(extension, extensionFlags);
            if (!extended) return Failure::failure(extended.cause());
            split.extended = std::move(*extended);
            split.guid = md5UpperHex(split.extended);
        }
        auto standard = standardWithout(low, split.guid);
        if (!standard) return Failure::failure(standard.cause());
        split.standard.text = std::move(*standard);
        return split;
    } catch (const std::exception& error) {
        return Failure::failure(std::string("exiv2: ") + error.what());
    }
}

std::optional<std::string> extendedXMPGuid(const XMPPacket& standard) {
    const auto exclusively = exiv2Exclusively();
    try {
        Exiv2::XmpData data;
        if (Exiv2::XmpParser::decode(data, standard.text) != 0) return std::nullopt;
        const auto found = data.findKey(Exiv2::XmpKey(hasExtendedKey));
        if (found == data.end()) return std::nullopt;
        std::string guid = found->toString();
        if (!isHexGuid(guid)) return std::nullopt;
        return guid;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<XMPPacket> mergedXMP(const XMPPacket& standard, std::string_view extended) {
    const auto exclusively = exiv2Exclusively();
    try {
        Exiv2::XmpData merged;
        Exiv2::XmpData extension;
        if (Exiv2::XmpParser::decode(merged, standard.text) != 0 ||
            Exiv2::XmpParser::decode(extension, std::string(extended)) != 0)
            return std::nullopt;
        eraseKey(merged, hasExtendedKey);
        eraseKey(extension, hasExtendedKey);
        // Whole properties only: an array half from each part would be neither.
        const std::set<std::string> present = topLevelsOf(merged);
        for (const auto& datum : extension)
            if (!present.count(xmpTopLevelKey(datum.key()))) merged.add(datum);
        auto text = serialised(merged, packetFlags);
        if (!text) return std::nullopt;
        return XMPPacket{std::move(*text)};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace platform
