#include "support/ExifSamples.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <exiv2/exiv2.hpp>

namespace testing_support {

platform::Bytes exifBlock(bool bigEndian, std::optional<int> orientation) {
    Exiv2::ExifData data;
    data["Exif.Image.Make"] = std::string("Pictavo Test Camera");
    if (orientation) data["Exif.Image.Orientation"] = static_cast<std::uint16_t>(*orientation);
    data["Exif.Photo.DateTimeOriginal"] = std::string("2024:05:06 07:08:09");
    data["Exif.GPSInfo.GPSLatitudeRef"] = std::string("N");
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, bigEndian ? Exiv2::bigEndian : Exiv2::littleEndian, data);
    return platform::Bytes(blob.begin(), blob.end());
}

platform::Bytes exifBlockWithOrientationType(bool bigEndian, int tiffType, int orientation) {
    Exiv2::ExifData data;
    data["Exif.Image.Make"] = std::string("Pictavo Test Camera");
    const auto value = Exiv2::Value::create(static_cast<Exiv2::TypeId>(tiffType));
    value->read(std::to_string(orientation));
    data.add(Exiv2::ExifKey("Exif.Image.Orientation"), value.get());
    data["Exif.Photo.DateTimeOriginal"] = std::string("2024:05:06 07:08:09");
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, bigEndian ? Exiv2::bigEndian : Exiv2::littleEndian, data);
    return platform::Bytes(blob.begin(), blob.end());
}

platform::Bytes cameraExifBlock() {
    Exiv2::ExifData data;
    data["Exif.Image.Make"] = std::string("Pictavo Test Camera");
    data["Exif.Image.Model"] = std::string("PT-1");
    data["Exif.Image.Orientation"] = std::uint16_t{6};
    data["Exif.Image.ImageWidth"] = std::uint32_t{4000};
    data["Exif.Image.ImageLength"] = std::uint32_t{3000};
    data["Exif.Photo.DateTimeOriginal"] = std::string("2024:05:06 07:08:09");
    data["Exif.Photo.PixelXDimension"] = std::uint32_t{4000};
    data["Exif.Photo.PixelYDimension"] = std::uint32_t{3000};
    data["Exif.GPSInfo.GPSLatitudeRef"] = std::string("N");
    data["Exif.GPSInfo.GPSLongitudeRef"] = std::string("W");
    Exiv2::URationalValue latitude, longitude;
    latitude.read("51/1 30/1 0/1");
    longitude.read("0/1 7/1 30/1");
    data.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude"), &latitude);
    data.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLongitude"), &longitude);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
    return platform::Bytes(blob.begin(), blob.end());
}

platform::Bytes withExifMarker(const platform::Bytes& tiffStructured) {
    // Sized once and copied into: g++ 12 at -O2 misreads inserts that grow a short vector as
    // writing out of bounds.
    static constexpr std::uint8_t marker[] = {'E', 'x', 'i', 'f', 0, 0};
    platform::Bytes marked(sizeof marker + tiffStructured.size());
    std::copy(std::begin(marker), std::end(marker), marked.begin());
    std::copy(tiffStructured.begin(), tiffStructured.end(), marked.begin() + sizeof marker);
    return marked;
}

std::map<std::string, std::string> exifTags(const platform::Bytes& exif) {
    std::map<std::string, std::string> tags;
    Exiv2::ExifData data;
    const std::size_t marker = exif.size() >= 6 && std::memcmp(exif.data(), "Exif\0\0", 6) == 0 ? 6 : 0;
    try {
        Exiv2::ExifParser::decode(data, exif.data() + marker, static_cast<std::uint32_t>(exif.size() - marker));
    } catch (const Exiv2::AnyError&) {
        return tags;
    }
    for (const auto& datum : data) tags[datum.key()] = datum.toString();
    return tags;
}

std::map<std::string, std::string> exifTagsOfFile(const platform::Bytes& file) {
    std::map<std::string, std::string> tags;
    try {
        auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
        image->readMetadata();
        for (const auto& datum : image->exifData()) tags[datum.key()] = datum.toString();
    } catch (const Exiv2::AnyError&) {
    }
    return tags;
}

std::string xmpPacket(std::optional<int> orientation) {
    std::string text =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"";
    if (orientation)
        text += " xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" tiff:Orientation=\"" + std::to_string(*orientation) + "\"";
    text +=
        ">\n"
        "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Harbour at dusk</rdf:li></rdf:Alt></dc:title>\n"
        "  </rdf:Description>\n"
        " </rdf:RDF>\n"
        "</x:xmpmeta>\n"
        "<?xpacket end=\"w\"?>";
    return text;
}

} // namespace testing_support
