#include "platform/metadata/TIFFExif.h"

#include "platform/metadata/Exiv2Runtime.h"

#include <exiv2/exiv2.hpp>
#include <limits>
#include <set>
#include <string>

namespace platform {

std::optional<Bytes> tiffWithExif(const Bytes& tiff, const Bytes& exif) {
    static const std::set<std::string> carriedGroups = {"Photo", "GPSInfo", "Iop"};
    static const std::set<std::string> descriptiveTags = {"Make",     "Model",  "Software",  "DateTime",
                                                          "Artist",   "Copyright", "ImageDescription",
                                                          "HostComputer"};
    const auto exclusively = exiv2Exclusively();
    if (tiff.size() > std::numeric_limits<long>::max() || exif.size() > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    try {
        Exiv2::ExifData carried;
        Exiv2::ExifParser::decode(carried, exif.data(), static_cast<std::uint32_t>(exif.size()));
        auto image = Exiv2::ImageFactory::open(tiff.data(), static_cast<long>(tiff.size()));
        if (!image.get()) return std::nullopt;
        image->readMetadata();
        Exiv2::ExifData& target = image->exifData();
        for (const auto& datum : carried) {
            const std::string group = datum.groupName();
            // A maker note's offsets point into the file it came from; written anywhere else they
            // point at the wrong bytes, so it stays behind.
            const bool wanted = (carriedGroups.count(group) && datum.key() != "Exif.Photo.MakerNote") ||
                                (group == "Image" && descriptiveTags.count(datum.tagName()));
            if (wanted && target.findKey(Exiv2::ExifKey(datum.key())) == target.end()) target.add(datum);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        if (io.open() != 0) return std::nullopt;
        const long size = io.size();
        Bytes out(static_cast<std::size_t>(size));
        io.seek(0, Exiv2::BasicIo::beg);
        const long read = io.read(out.data(), size);
        io.close();
        if (read != size || out.empty()) return std::nullopt;
        return out;
    } catch (const Exiv2::AnyError&) {
        return std::nullopt;
    }
}

} // namespace platform
