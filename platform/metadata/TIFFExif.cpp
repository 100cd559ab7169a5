#include "platform/metadata/TIFFExif.h"

#include "platform/metadata/Exiv2ExifBlock.h"
#include "platform/metadata/Exiv2Runtime.h"

#include <exiv2/exiv2.hpp>
#include <exception>
#include <limits>
#include <set>
#include <string>

namespace platform {
namespace {

// With the titles, comments, authors, keywords, subjects and ratings Windows keeps there, and
// the names of the document and the page.
const std::set<std::string> descriptiveTags = {
    "Make",       "Model",      "Software", "DateTime",  "Artist",    "Copyright", "ImageDescription",
    "HostComputer", "XPTitle",  "XPComment", "XPAuthor", "XPKeywords", "XPSubject", "Rating",
    "RatingPercent", "DocumentName", "PageName"};

// The EXIF and GPS directories and the camera's descriptive tags of a first directory: what
// describes the picture rather than the layout of one file's pixels. A maker note's offsets
// point into the file it came from; written into a TIFF laid out anew they point at the wrong
// bytes, so there it stays behind.
bool describesThePicture(const Exiv2::Exifdatum& datum) {
    static const std::set<std::string> carriedGroups = {"Photo", "GPSInfo", "Iop"};
    const std::string group = datum.groupName();
    return (carriedGroups.count(group) && !isMakerNote(datum)) ||
           (group == "Image" && descriptiveTags.count(datum.tagName()));
}

} // namespace

std::optional<Bytes> tiffFileExif(ByteView tiff) {
    if (tiff.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    const auto exclusively = exiv2Exclusively();
    try {
        Exiv2::ExifData all;
        const Exiv2::ByteOrder order =
            Exiv2::ExifParser::decode(all, tiff.data(), static_cast<std::uint32_t>(tiff.size()));
        Exiv2::ExifData picture;
        // A maker note exiv2 reads as its maker's tags is written anew with them, its offsets
        // pointing into the block.
        for (const auto& datum : all)
            if (describesThePicture(datum) || isMakerNote(datum)) picture.add(datum);
        if (picture.empty()) return std::nullopt;
        // Its orientation goes with it, as a camera's block holds one; alone it is no EXIF.
        const auto orientation = all.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (orientation != all.end()) picture.add(*orientation);
        Bytes block = wholeExifBlock(picture, order);
        if (block.empty()) return std::nullopt;
        return block;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<Bytes> tiffWithExifAndIPTC(const Bytes& tiff, const std::optional<Bytes>& exif,
                                         const std::optional<Bytes>& iptc, const std::optional<Bytes>& photoshop) {
    constexpr auto largest = std::numeric_limits<std::uint32_t>::max();
    if (tiff.size() > std::numeric_limits<long>::max() || (exif && exif->size() > largest) ||
        (iptc && iptc->size() > largest) || (photoshop && photoshop->size() > largest))
        return std::nullopt;
    const auto exclusively = exiv2Exclusively();
    try {
        auto image = Exiv2::ImageFactory::open(tiff.data(), static_cast<long>(tiff.size()));
        if (!image.get()) return std::nullopt;
        image->readMetadata();
        if (exif) {
            Exiv2::ExifData carried;
            Exiv2::ExifParser::decode(carried, exif->data(), static_cast<std::uint32_t>(exif->size()));
            Exiv2::ExifData& target = image->exifData();
            for (const auto& datum : carried)
                if (describesThePicture(datum) && target.findKey(Exiv2::ExifKey(datum.key())) == target.end())
                    target.add(datum);
        }
        // exiv2 puts the records into the resources itself when it writes them.
        if (photoshop) {
            Exiv2::DataValue resources(Exiv2::unsignedByte);
            resources.read(photoshop->data(), static_cast<long>(photoshop->size()));
            image->exifData().add(Exiv2::ExifKey("Exif.Image.ImageResources"), &resources);
        }
        // exiv2 writes the records as whole LONG values padded with zeros, as Photoshop does;
        // records it cannot read are left out, not the EXIF with them.
        if (iptc && Exiv2::IptcParser::decode(image->iptcData(), iptc->data(),
                                              static_cast<std::uint32_t>(iptc->size())) != 0)
            image->iptcData().clear();
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
