#include "platform/metadata/XMPOrientation.h"

#include "platform/metadata/XMPTopLevel.h"

#include <string>
#include <string_view>
#include <tuple>

namespace platform {
namespace {

constexpr std::string_view tiffNamespace = "http://ns.adobe.com/tiff/1.0/";
constexpr std::string_view exifNamespace = "http://ns.adobe.com/exif/1.0/";

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The number a field holds, blanks around it allowed; nothing for anything else or past
// three digits.
std::optional<int> numberIn(std::string_view value) {
    int number = 0;
    int digits = 0;
    bool ended = false;
    for (char c : value) {
        if (c >= '0' && c <= '9') {
            if (ended || ++digits > 3) return std::nullopt;
            number = number * 10 + (c - '0');
        } else if (isSpace(c)) {
            ended = digits > 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;
    return number;
}

} // namespace

std::optional<int> xmpOrientation(const XMPPacket& packet) {
    const auto topLevel = xmpTopLevel(packet.text, tiffNamespace, "Orientation");
    if (!topLevel) return std::nullopt;
    for (const auto& field : topLevel->fields) {
        if (field.form == XMPTopLevelField::Form::emptyElement) continue;
        const auto characters =
            xmlCharacters(std::string_view(packet.text).substr(field.valueBegin, field.valueEnd - field.valueBegin));
        const auto number = characters ? numberIn(*characters) : std::nullopt;
        if (number && *number >= 1 && *number <= 8) return *number;
    }
    return std::nullopt;
}

Outcome<XMPPacket> xmpWithOrientation(const XMPPacket& packet, int orientation) {
    using Failure = Outcome<XMPPacket>;
    if (orientation < 1 || orientation > 8)
        return Failure::failure("orientation " + std::to_string(orientation) + " is not one of 1 to 8");
    const std::string value = std::to_string(orientation);
    const auto topLevel = xmpTopLevel(packet.text, tiffNamespace, "Orientation");
    if (!topLevel) return Failure::failure(topLevel.cause());
    if (!topLevel->fields.empty()) return XMPPacket{xmpWithFieldsSet(packet.text, topLevel->fields, value)};
    if (!topLevel->firstDescription)
        return Failure::failure("the XMP packet has no rdf:Description to hold the orientation");

    // The prefix the description already has for the TIFF namespace, else the first one free
    // there: a prefix bound to something else would put the new field in another namespace.
    std::string insertion;
    std::string prefix = topLevel->prefixAtFirstDescription.value_or("");
    for (int attempt = 0; prefix.empty() && attempt < 10; ++attempt) {
        std::string candidate = attempt == 0 ? "tiff" : "pictavoTiff" + std::to_string(attempt);
        if (topLevel->prefixesTaken.count(candidate)) continue;
        prefix = std::move(candidate);
        insertion = " xmlns:" + prefix + "=\"" + std::string(tiffNamespace) + "\"";
    }
    if (prefix.empty()) return Failure::failure("no free prefix for the TIFF namespace in the XMP packet");
    insertion += " " + prefix + ":Orientation=\"" + value + "\"";
    std::string text = packet.text;
    text.insert(*topLevel->firstDescription, insertion);
    return XMPPacket{std::move(text)};
}

Outcome<XMPPacket> xmpWithPixelDimensions(const XMPPacket& packet, std::int64_t width, std::int64_t height) {
    using Failure = Outcome<XMPPacket>;
    std::string text = packet.text;
    // The TIFF namespace's width and length say the same of the picture as the EXIF's.
    const std::tuple<std::string_view, const char*, std::int64_t> fields[] = {
        {exifNamespace, "PixelXDimension", width}, {exifNamespace, "PixelYDimension", height},
        {tiffNamespace, "ImageWidth", width}, {tiffNamespace, "ImageLength", height}};
    for (const auto& [space, local, size] : fields) {
        if (text.find(local) == std::string::npos) continue;
        const auto topLevel = xmpTopLevel(text, space, local);
        if (!topLevel) return Failure::failure(topLevel.cause());
        text = xmpWithFieldsSet(std::move(text), topLevel->fields, std::to_string(size));
    }
    return XMPPacket{std::move(text)};
}

} // namespace platform
