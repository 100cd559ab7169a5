#include "platform/metadata/ExifToXMP.h"

#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/Exiv2Runtime.h"

#include <exiv2/exiv2.hpp>
#include <exception>
#include <limits>

namespace platform {
namespace {

constexpr const char* storageLayoutKeys[] = {
    "Exif.Image.ImageWidth",        "Exif.Image.ImageLength",         "Exif.Image.BitsPerSample",
    "Exif.Image.Compression",       "Exif.Image.PhotometricInterpretation", "Exif.Image.SamplesPerPixel",
    "Exif.Image.PlanarConfiguration", "Exif.Image.YCbCrSubSampling",  "Exif.Image.YCbCrPositioning",
    "Exif.Photo.ComponentsConfiguration", "Exif.Photo.CompressedBitsPerPixel"};

} // namespace

std::optional<XMPPacket> xmpWithExif(const XMPPacket* packet, const Bytes& exif) {
    startExiv2();
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
        Exiv2::copyExifToXmp(fields, xmp);
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
