#include "platform/metadata/ExifFitting.h"

#include "platform/metadata/BytesText.h"
#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/Exiv2ExifBlock.h"
#include "platform/metadata/Exiv2Runtime.h"

#include <exiv2/exiv2.hpp>
#include <algorithm>
#include <exception>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace platform {
namespace {

// The tags a reader of the written file looks for: the main image's, the camera's and the
// position's. exiv2 leaves out the storage layout of the source's own pixels and any
// further images when it writes a block for a JPEG, which is right: they describe nothing here.
// So is the XMP a TIFF keeps in its first directory: a JPEG holds it in a segment of its own,
// and the reader carries it as the file's packet.
std::set<std::string> describingKeys(const Exiv2::ExifData& data, bool withMakerNote) {
    static const std::set<std::string> groups = {"Image", "Photo", "GPSInfo", "Iop"};
    static const std::set<std::string> layout = {
        "Exif.Image.ImageWidth",  "Exif.Image.ImageLength", "Exif.Image.BitsPerSample", "Exif.Image.Compression",
        "Exif.Image.PhotometricInterpretation", "Exif.Image.StripOffsets", "Exif.Image.SamplesPerPixel",
        "Exif.Image.RowsPerStrip", "Exif.Image.StripByteCounts", "Exif.Image.PlanarConfiguration",
        "Exif.Image.TileWidth", "Exif.Image.TileLength", "Exif.Image.TileOffsets", "Exif.Image.TileByteCounts",
        "Exif.Image.SubIFDs", "Exif.Image.JPEGInterchangeFormat", "Exif.Image.JPEGInterchangeFormatLength",
        "Exif.Image.XMLPacket"};
    std::set<std::string> keys;
    for (const auto& datum : data)
        if (groups.count(datum.groupName()) && !layout.count(datum.key()) && (withMakerNote || !isMakerNote(datum)))
            keys.insert(datum.key());
    return keys;
}

std::string kilobytesText(std::size_t count) { return std::to_string((count + 512) / 1024) + " kB"; }

// Names the tag that keeps the block from fitting, with its size, as the user reads it.
std::string doesNotFit(const Exiv2::Exifdatum& tag, std::size_t limit) {
    return "its " + kilobytesText(tag.size()) + " " + tag.key() + " does not fit a JPEG's " + kilobytesText(limit) +
           " EXIF segment";
}

// The block exiv2's encoder writes of `data` for a JPEG's segment, and the describing tags it
// leaves out of it.
struct SegmentBlock {
    Exiv2::Blob blob;
    std::vector<std::string> lost;
};

SegmentBlock segmentBlock(const Exiv2::ExifData& data, Exiv2::ByteOrder order, bool withMakerNote) {
    SegmentBlock written;
    Exiv2::ExifParser::encode(written.blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order, data);
    Exiv2::ExifData check;
    if (!written.blob.empty())
        Exiv2::ExifParser::decode(check, written.blob.data(), static_cast<std::uint32_t>(written.blob.size()));
    for (const auto& key : describingKeys(data, withMakerNote))
        if (check.findKey(Exiv2::ExifKey(key)) == check.end()) written.lost.push_back(key);
    return written;
}

} // namespace

ExifWithoutOversizedTags exifWithoutOversizedTags(const Bytes& block, std::size_t limit) {
    const ExifWithoutOversizedTags asItIs{block, {}};
    const Bytes tiff = tiffStructuredExif(block.data(), block.size());
    if (tiff.size() <= limit || tiff.size() > std::numeric_limits<std::uint32_t>::max()) return asItIs;
    const auto exclusively = exiv2Exclusively();
    // exiv2 throws on damaged blocks, and its value conversions may throw standard errors too.
    try {
        Exiv2::ExifData data;
        const Exiv2::ByteOrder order =
            Exiv2::ExifParser::decode(data, tiff.data(), static_cast<std::uint32_t>(tiff.size()));
        // What exifFitting would leave out before any tag: the thumbnail, then the maker note.
        Exiv2::ExifData fitted = data;
        Exiv2::ExifThumb(fitted).erase();
        for (auto datum = fitted.begin(); datum != fitted.end();)
            datum = isMakerNote(*datum) ? fitted.erase(datum) : std::next(datum);
        ExifWithoutOversizedTags result;
        for (const auto& key : segmentBlock(fitted, order, false).lost) {
            const auto tag = data.findKey(Exiv2::ExifKey(key));
            result.leftOut.push_back(key + " of " + kilobytesText(tag->size()));
            data.erase(tag);
        }
        if (result.leftOut.empty()) return asItIs;
        result.block = wholeExifBlock(data, order);
        return result.block.empty() ? asItIs : result;
    } catch (const std::exception&) {
        return asItIs;
    }
}

Outcome<Bytes> exifFitting(const Bytes& tiffStructured, std::size_t limit) {
    using Failure = Outcome<Bytes>;
    if (tiffStructured.size() <= limit) return tiffStructured;
    if (tiffStructured.size() > std::numeric_limits<std::uint32_t>::max())
        return Failure::failure("the EXIF block of " + bytesText(tiffStructured.size()) + " is too large to read");
    const auto exclusively = exiv2Exclusively();
    // exiv2 throws on damaged blocks, and its value conversions may throw standard errors too.
    try {
        Exiv2::ExifData data;
        const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(data, tiffStructured.data(),
                                                                 static_cast<std::uint32_t>(tiffStructured.size()));
        if (data.empty())
            return Failure::failure("exiv2 could not read the EXIF block of " + bytesText(tiffStructured.size()) +
                                    " to make it smaller");
        const auto written = [&](bool withMakerNote) -> Failure {
            const SegmentBlock block = segmentBlock(data, order, withMakerNote);
            if (!block.lost.empty())
                return Failure::failure(doesNotFit(*data.findKey(Exiv2::ExifKey(block.lost.front())), limit) +
                                        " (exiv2 would have left it out to make the block smaller)");
            return Bytes(block.blob.begin(), block.blob.end());
        };

        // exiv2 may leave out a large maker note of its own accord; that is the second step's
        // loss anyway, so the first step only counts when it keeps everything but the thumbnail.
        Exiv2::ExifThumb(data).erase();
        Failure smaller = written(true);
        if (smaller && smaller->size() <= limit) return smaller;

        for (auto datum = data.begin(); datum != data.end();)
            datum = isMakerNote(*datum) ? data.erase(datum) : std::next(datum);
        smaller = written(false);
        if (!smaller || smaller->size() <= limit) return smaller;
        const auto largest = std::max_element(data.begin(), data.end(), [](const auto& a, const auto& b) {
            return a.size() < b.size();
        });
        if (largest == data.end())
            return Failure::failure("exiv2 wrote an EXIF block of " + bytesText(smaller->size()));
        return Failure::failure(doesNotFit(*largest, limit) + " (the EXIF block is " + bytesText(smaller->size()) +
                                " even without its thumbnail and maker note)");
    } catch (const std::exception& error) {
        return Failure::failure(std::string("exiv2: ") + error.what());
    }
}

} // namespace platform
