#include "platform/metadata/ExifToXMP.h"

#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/Exiv2Runtime.h"
#include "platform/metadata/XMPDate.h"

#include <exiv2/exiv2.hpp>
#include <exception>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr const char* storageLayoutKeys[] = {
    "Exif.Image.ImageWidth",        "Exif.Image.ImageLength",         "Exif.Image.BitsPerSample",
    "Exif.Image.Compression",       "Exif.Image.PhotometricInterpretation", "Exif.Image.SamplesPerPixel",
    "Exif.Image.PlanarConfiguration", "Exif.Image.YCbCrSubSampling",  "Exif.Image.YCbCrPositioning",
    "Exif.Photo.ComponentsConfiguration", "Exif.Photo.CompressedBitsPerPixel"};

// exiv2 leaves out what ExifTool's mapping carries: the lens (its name, and its focal and
// aperture ranges), the position's error, the original date as exif:DateTimeOriginal, and
// the time zone of every date.
constexpr std::pair<const char*, const char*> lensKeys[] = {
    {"Exif.Photo.LensMake", "Xmp.exifEX.LensMake"},
    {"Exif.Photo.LensModel", "Xmp.exifEX.LensModel"},
    {"Exif.Photo.LensSerialNumber", "Xmp.exifEX.LensSerialNumber"}};

// Text fields that open with their character code ("ASCII\0\0\0"), which exiv2's mapping
// copies into the XMP as "charset=Ascii ..." before the text.
constexpr std::pair<const char*, const char*> codedTextKeys[] = {
    {"Exif.GPSInfo.GPSProcessingMethod", "Xmp.exif.GPSProcessingMethod"},
    {"Exif.GPSInfo.GPSAreaInformation", "Xmp.exif.GPSAreaInformation"}};

struct DateKeys {
    const char* date;
    const char* subSeconds;
    const char* offset;
    std::vector<const char*> xmp;
};
const DateKeys dateKeys[] = {
    {"Exif.Photo.DateTimeOriginal", "Exif.Photo.SubSecTimeOriginal", "Exif.Photo.OffsetTimeOriginal",
     {"Xmp.exif.DateTimeOriginal", "Xmp.photoshop.DateCreated"}},
    {"Exif.Photo.DateTimeDigitized", "Exif.Photo.SubSecTimeDigitized", "Exif.Photo.OffsetTimeDigitized",
     {"Xmp.xmp.CreateDate"}},
    {"Exif.Image.DateTime", "Exif.Photo.SubSecTime", "Exif.Photo.OffsetTime", {"Xmp.xmp.ModifyDate"}}};

std::string valueOf(const Exiv2::ExifData& fields, const char* key) {
    const auto found = fields.findKey(Exiv2::ExifKey(key));
    if (found == fields.end()) return {};
    std::string value = found->toString();
    while (!value.empty() && (value.back() == ' ' || value.back() == '\0')) value.pop_back();
    // In one cut: a camera's blanks are few, a hostile file's may be megabytes.
    value.erase(0, value.find_first_not_of(' '));
    return value;
}

// The property a key names at the top of the packet: "Xmp.exif.Flash" for
// "Xmp.exif.Flash/exif:Fired", so that a structure or list the packet holds is held whole.
std::string topLevelProperty(const std::string& key) {
    const std::size_t end = key.find_first_of("/[");
    return end == std::string::npos ? key : key.substr(0, end);
}

// Adds the fields mapped from the EXIF whose property the source's own packet does not
// hold: what an editor wrote into the packet is the newer word, as for the IPTC fields.
void addUnlessHeld(Exiv2::XmpData& xmp, const Exiv2::XmpData& mapped) {
    std::set<std::string> held;
    for (const auto& datum : xmp) held.insert(topLevelProperty(datum.key()));
    for (const auto& datum : mapped)
        if (!held.count(topLevelProperty(datum.key()))) xmp.add(datum);
}

// Sets `key` from the EXIF unless the source's own packet holds it: an editor's date there
// may carry what the EXIF lacks (a time zone).
void setUnlessHeld(Exiv2::XmpData& xmp, const Exiv2::XmpData& source, const char* key, const Exiv2::Value& value) {
    const Exiv2::XmpKey xmpKey(key);
    const auto held = source.findKey(xmpKey);
    for (auto found = xmp.findKey(xmpKey); found != xmp.end(); found = xmp.findKey(xmpKey)) xmp.erase(found);
    if (held != source.end()) xmp.add(*held);
    else xmp.add(xmpKey, &value);
}

void setUnlessHeld(Exiv2::XmpData& xmp, const Exiv2::XmpData& source, const char* key, const std::string& value) {
    if (!value.empty()) setUnlessHeld(xmp, source, key, Exiv2::XmpTextValue(value));
}

// The text of a field that opens with its character code, without the code; nothing when the
// field is not one.
std::optional<std::string> codedText(const Exiv2::ExifData& fields, const char* key) {
    const auto found = fields.findKey(Exiv2::ExifKey(key));
    if (found == fields.end()) return std::nullopt;
    const auto* comment = dynamic_cast<const Exiv2::CommentValue*>(&found->value());
    if (!comment) return std::nullopt;
    std::string text = comment->comment();
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

// The EXIF rationals of `exifKey` as XMP writes them ("35/1"), one text or an ordered list;
// nothing unless the tag holds `count` of them.
std::optional<Exiv2::XmpArrayValue> rationals(const Exiv2::ExifData& fields, const char* exifKey, long count) {
    const auto found = fields.findKey(Exiv2::ExifKey(exifKey));
    if (found == fields.end() || found->count() != count) return std::nullopt;
    Exiv2::XmpArrayValue list(Exiv2::xmpSeq);
    for (long index = 0; index < count; ++index) {
        const Exiv2::Rational value = found->toRational(index);
        if (value.second == 0) return std::nullopt;
        list.read(std::to_string(value.first) + "/" + std::to_string(value.second));
    }
    return list;
}

} // namespace

std::optional<XMPPacket> xmpWithExif(const XMPPacket* packet, const Bytes& exif) {
    const auto exclusively = exiv2Exclusively();
    const Bytes block = tiffStructuredExif(exif.data(), exif.size());
    if (block.empty() || block.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    // exiv2 throws on damaged blocks and packets, and its value conversions may throw
    // standard errors too: any of them only means the fields are not carried.
    try {
        Exiv2::ExifData fields;
        Exiv2::ExifParser::decode(fields, block.data(), static_cast<std::uint32_t>(block.size()));
        for (const char* key : storageLayoutKeys) {
            auto found = fields.findKey(Exiv2::ExifKey(key));
            if (found != fields.end()) fields.erase(found);
        }
        if (fields.empty()) return std::nullopt;
        Exiv2::XmpData xmp;
        if (packet && Exiv2::XmpParser::decode(xmp, packet->text) != 0) return std::nullopt;
        const Exiv2::XmpData source = xmp;
        Exiv2::XmpData mapped;
        Exiv2::copyExifToXmp(fields, mapped);
        addUnlessHeld(xmp, mapped);
        for (const auto& keys : dateKeys) {
            const std::string date =
                xmpDateOfExif(valueOf(fields, keys.date), valueOf(fields, keys.subSeconds), valueOf(fields, keys.offset));
            for (const char* key : keys.xmp) setUnlessHeld(xmp, source, key, date);
        }
        for (const auto& [exifKey, xmpKey] : lensKeys) setUnlessHeld(xmp, source, xmpKey, valueOf(fields, exifKey));
        for (const auto& [exifKey, xmpKey] : codedTextKeys) {
            const auto text = codedText(fields, exifKey);
            if (!text) continue;
            if (text->empty() && source.findKey(Exiv2::XmpKey(xmpKey)) == source.end()) {
                if (auto mapped = xmp.findKey(Exiv2::XmpKey(xmpKey)); mapped != xmp.end()) xmp.erase(mapped);
            } else {
                setUnlessHeld(xmp, source, xmpKey, *text);
            }
        }
        if (const auto lens = rationals(fields, "Exif.Photo.LensSpecification", 4))
            setUnlessHeld(xmp, source, "Xmp.exifEX.LensSpecification", *lens);
        if (const auto error = rationals(fields, "Exif.GPSInfo.GPSHPositioningError", 1))
            setUnlessHeld(xmp, source, "Xmp.exif.GPSHPositioningError", Exiv2::XmpTextValue(error->toString(0)));
        // Without the padding kept for editing in place: the packet goes into a new file.
        std::string text;
        if (Exiv2::XmpParser::encode(text, xmp,
                                     Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::readOnlyPacket) != 0)
            return std::nullopt;
        return XMPPacket{std::move(text)};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace platform
