// The small readers and in-place editors of metadata that libraries leave out or get wrong.
#include "platform/metadata/CompressedMetadata.h"
#include "platform/metadata/ExifIFD0.h"
#include "platform/metadata/ExifOutputFacts.h"
#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/JPEGSegments.h"
#include "platform/metadata/PhotoshopResources.h"
#include "platform/metadata/RawProfile.h"
#include "platform/metadata/XMPDate.h"
#include "platform/metadata/XMPText.h"
#include "platform/metadata/XMPTopLevel.h"
#include "platform/text/UnicodeText.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>

using namespace platform;

namespace {

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }
ByteView viewOf(const Bytes& bytes) { return ByteView(bytes.data(), bytes.size()); }

// A little-endian TIFF whose one entry is the IPTC tag of `type` and `count` values, its value
// at offset 26.
Bytes tiffWithIPTCTag(std::uint16_t type, std::uint32_t count, const Bytes& value) {
    Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0xBB, 0x83, static_cast<std::uint8_t>(type), 0};
    for (int shift = 0; shift < 32; shift += 8) tiff.push_back(static_cast<std::uint8_t>(count >> shift));
    for (std::uint8_t byte : {26, 0, 0, 0, 0, 0, 0, 0}) tiff.push_back(byte);
    tiff.insert(tiff.end(), value.begin(), value.end());
    return tiff;
}

// The text's scalars in code units of `unit` bytes (2 or 4), in either byte order.
Bytes encoded(std::string_view utf8, std::size_t unit, bool bigEndian) {
    std::vector<std::uint32_t> units;
    for (char32_t scalar : scalars(utf8)) {
        if (unit == 2 && scalar >= 0x10000) {
            units.push_back(0xD800 + ((scalar - 0x10000) >> 10));
            units.push_back(0xDC00 + ((scalar - 0x10000) & 0x3FF));
        } else {
            units.push_back(scalar);
        }
    }
    Bytes bytes;
    for (std::uint32_t value : units)
        for (std::size_t i = 0; i < unit; ++i)
            bytes.push_back(static_cast<std::uint8_t>(value >> 8 * (bigEndian ? unit - 1 - i : i)));
    return bytes;
}

} // namespace

TEST(IPTCRecords, ReadsWholeRecordsHoweverTheFileWrapsThemAndNothingElse) {
    const Bytes records = bytesOf(std::string("\x1C\x02\x19\x00\x03" "abc" "\x1C\x02\x5A\x00\x02" "xy", 15));
    Bytes padded = records;
    padded.push_back(0);
    // Four LONG values are sixteen bytes; the padding is no record.
    EXPECT_EQ(tiffIPTC(viewOf(tiffWithIPTCTag(4, 4, padded))), records);
    EXPECT_EQ(tiffIPTC(viewOf(tiffWithIPTCTag(7, 16, padded))), records);
    EXPECT_EQ(tiffIPTC(viewOf(tiffWithIPTCTag(4, 5, padded))), std::nullopt);

    // Another resource first, with a name and data of odd lengths that are padded.
    Bytes resources = bytesOf(std::string("Photoshop 3.0\0" "8BIM\x03\xED\x02" "ab\x00\x00\x00\x00\x03" "xyz\x00", 32));
    const Bytes segment = photoshopSegmentsWithIPTC(records, 65533).at(0);
    resources.insert(resources.end(), segment.begin() + 14, segment.end());
    EXPECT_EQ(photoshopIPTC(viewOf(resources)), records);
    EXPECT_EQ(photoshopIPTC(viewOf(segment)), records);

    EXPECT_EQ(iptcRecords(viewOf(bytesOf(std::string("\x1C\x02\x19\x00\x09" "abc", 8)))), std::nullopt);
}

TEST(RawProfile, ReadsTheDigitsOverLinesAndRefusesTooFewOrOthers) {
    EXPECT_EQ(rawProfileBytes("\nexif\n       6\n457869\n660000\n"), bytesOf(std::string("Exif\0\0", 6)));
    EXPECT_EQ(rawProfileBytes("\nexif\n       8\n45786966\n"), std::nullopt);
    EXPECT_EQ(rawProfileBytes("\nexif\n       2\n4g00\n"), std::nullopt);
    EXPECT_EQ(rawProfileBytes("\nexif\n  999999999999\n00\n"), std::nullopt);
}

TEST(XMLCharacters, DecodesCharacterAndNamedReferencesAndRefusesOthers) {
    EXPECT_EQ(xmlCharacters("&#54;"), "6");
    EXPECT_EQ(xmlCharacters(" &#x36; "), " 6 ");
    EXPECT_EQ(xmlCharacters("a&amp;b&lt;&gt;&quot;&apos;"), "a&b<>\"'");
    EXPECT_EQ(xmlCharacters("S&#xE8;te"), "S\xC3\xA8te");
    for (const char* refused : {"&nbsp;", "&#;", "&#xD800;", "&amp", "&#x110000;"})
        EXPECT_EQ(xmlCharacters(refused), std::nullopt) << refused;
}

TEST(ExifOutputFacts, SetTheSizesInPlaceWideningAShortAndUnlinkTheThumbnail) {
    Exiv2::ExifData data;
    data["Exif.Image.Make"] = "Fuji";
    data["Exif.Photo.PixelXDimension"] = std::uint16_t{64};
    data["Exif.Photo.PixelYDimension"] = std::uint32_t{48};
    const Exiv2::byte thumbnail[] = {0xFF, 0xD8, 0xFF, 0xD9};
    Exiv2::ExifThumb(data).setJpegThumbnail(thumbnail, sizeof thumbnail);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::bigEndian, data);
    const Bytes block(blob.begin(), blob.end());

    const auto sized = exifWithPixelDimensions(block, 70'000, 30);
    ASSERT_TRUE(sized);
    EXPECT_EQ(sized->size(), block.size());
    const auto without = exifWithoutThumbnail(*sized);
    ASSERT_TRUE(without);
    Exiv2::ExifData read;
    Exiv2::ExifParser::decode(read, without->data(), static_cast<std::uint32_t>(without->size()));
    EXPECT_EQ(read["Exif.Photo.PixelXDimension"].toLong(), 70'000);
    EXPECT_EQ(read["Exif.Photo.PixelYDimension"].toLong(), 30);
    EXPECT_EQ(read["Exif.Image.Make"].toString(), "Fuji");
    EXPECT_EQ(Exiv2::ExifThumbC(read).copy().size_, 0);

    EXPECT_EQ(exifWithoutThumbnail(*without), std::nullopt);
    data.erase(data.findKey(Exiv2::ExifKey("Exif.Photo.PixelXDimension")));
    data.erase(data.findKey(Exiv2::ExifKey("Exif.Photo.PixelYDimension")));
    blob.clear();
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
    EXPECT_EQ(exifWithPixelDimensions(Bytes(blob.begin(), blob.end()), 10, 10), std::nullopt);
}

TEST(ExifOutputFacts, ALeftOutThumbnailsBytesAreCutOffTheEndOrZeroedWhereTheRestGoesOnAfterThem) {
    Exiv2::ExifData data;
    data["Exif.Image.Make"] = "Fujifilm";
    const Exiv2::byte thumbnail[] = {0xFF, 0xD8, 'T', 'H', 'U', 'M', 'B', 0xFF, 0xD9};
    Exiv2::ExifThumb(data).setJpegThumbnail(thumbnail, sizeof thumbnail);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
    const Bytes atTheEnd(blob.begin(), blob.end());
    const auto holdsThumbnail = [&](const Bytes& block) {
        return std::search(block.begin(), block.end(), std::begin(thumbnail), std::end(thumbnail)) != block.end();
    };
    ASSERT_TRUE(holdsThumbnail(atTheEnd));
    // The make moved after the thumbnail: the block cannot end before it.
    Bytes followed = atTheEnd;
    const auto ifd = exif_ifd::locateIfd0(followed.data(), followed.size());
    ASSERT_TRUE(ifd);
    for (std::size_t index = 0; index < ifd->count; ++index)
        if (const std::size_t entry = ifd->offset + 2 + index * exif_ifd::entrySize; ifd->view.u16(entry) == 0x010F)
            ifd->view.put32(entry + 8, static_cast<std::uint32_t>(followed.size()));
    for (char c : std::string("Fujifilm", 9)) followed.push_back(static_cast<std::uint8_t>(c));

    for (const auto& [block, cut] : {std::pair{atTheEnd, true}, std::pair{followed, false}}) {
        const auto without = exifWithoutThumbnail(block);
        ASSERT_TRUE(without);
        EXPECT_FALSE(holdsThumbnail(*without));
        EXPECT_EQ(without->size() < block.size(), cut);
        Exiv2::ExifData read;
        Exiv2::ExifParser::decode(read, without->data(), static_cast<std::uint32_t>(without->size()));
        EXPECT_EQ(read["Exif.Image.Make"].toString(), "Fujifilm");
    }
}

TEST(JPEGIPTC, RecordsCutOverSeveralSegmentsOrInALaterBlockAreReadWhole) {
    const Bytes records = bytesOf(std::string("\x1C\x02\x19\x00\x07" "harbour" "\x1C\x02\x5A\x00\x05" "Brest", 22));
    // Cut where each segment is full, as ExifTool cuts resources larger than one segment.
    const std::vector<Bytes> segments = photoshopSegmentsWithIPTC(records, 20);
    ASSERT_EQ(segments.size(), 6u);
    for (const Bytes& segment : segments) EXPECT_LE(segment.size(), 20u);

    // A block with another resource alone comes first, apart from the IPTC by a comment.
    Bytes jpeg = {0xFF, 0xD8};
    const Bytes resolution = bytesOf(std::string("Photoshop 3.0\0" "8BIM\x03\xED\x00\x00\x00\x00\x00\x02" "ab", 28));
    appendJPEGSegment(jpeg, jpegAPP13, viewOf(resolution));
    appendJPEGSegment(jpeg, 0xFE, viewOf(bytesOf("a comment")));
    const std::size_t beforeIPTC = jpeg.size();
    for (const Bytes& segment : segments) appendJPEGSegment(jpeg, jpegAPP13, viewOf(segment));
    const Bytes end = {0xFF, 0xD9};
    jpeg.insert(jpeg.end(), end.begin(), end.end());
    EXPECT_EQ(jpegIPTC(viewOf(jpeg)), records);

    // Without its last segment the resource is cut short: no records.
    const std::size_t last = jpeg.size() - end.size() - 4 - segments.back().size();
    Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(last));
    cut.insert(cut.end(), end.begin(), end.end());
    EXPECT_EQ(jpegIPTC(viewOf(cut)), std::nullopt);
    // A segment between two of the block's ends it: neither half is whole.
    Bytes parted(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(beforeIPTC + 4 + segments[0].size()));
    appendJPEGSegment(parted, 0xFE, viewOf(bytesOf("between")));
    parted.insert(parted.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(beforeIPTC + 4 + segments[0].size()), jpeg.end());
    EXPECT_EQ(jpegIPTC(viewOf(parted)), std::nullopt);
}

TEST(XMPText, ReadsUTF16AndUTF32InEitherByteOrderAndGivesUndecodableBytesWhole) {
    // A character beyond the first plane takes two UTF-16 units.
    const std::string packet = "<?xpacket begin='\xEF\xBB\xBF'?><dc:title>S\xC3\xA8te \xF0\x9F\x8C\x8A</dc:title>";
    for (const std::size_t unit : {2u, 4u}) {
        for (const bool bigEndian : {true, false}) {
            SCOPED_TRACE(std::to_string(unit * 8) + (bigEndian ? " BE" : " LE"));
            Bytes stored = encoded(packet, unit, bigEndian);
            stored.resize(stored.size() + 3 * unit, 0); // padded with NULs
            EXPECT_EQ(xmpText(viewOf(stored)), packet);
            Bytes marked = encoded("\xEF\xBB\xBF", unit, bigEndian);
            marked.insert(marked.end(), stored.begin(), stored.end());
            EXPECT_EQ(xmpText(viewOf(marked)), packet);
        }
    }
    EXPECT_EQ(xmpText(viewOf(bytesOf(packet + std::string(4, '\0')))), packet);

    // A lone surrogate, or a unit cut short, is no text: the bytes are given whole, so a
    // packet left out is named by its length.
    Bytes lone = encoded("<a>", 2, false);
    lone.insert(lone.end(), {0x00, 0xD8, 'b', 0});
    EXPECT_EQ(xmpText(viewOf(lone))->size(), lone.size());
    Bytes odd = encoded("<a>", 2, true);
    odd.push_back('x');
    EXPECT_EQ(xmpText(viewOf(odd))->size(), odd.size());
    EXPECT_EQ(xmpText(viewOf(Bytes{0, 0, 0, 0})), std::nullopt);
}

TEST(CompressedMetadata, InflatesWithinTheBoundAndRefusesWhatPassesItOrIsCutShort) {
    // 8,000,001 zero bytes in fourteen bytes of Brotli, and in zlib.
    const Bytes brotli = bytesOf(std::string("\x9B\x00\x12\x7A\xF8\x27\x00\xE2\xB1\x40\x40\x37\x41\x0F", 14));
    const Bytes zeros(8'000'001, 0);
    Bytes zlib(compressBound(zeros.size()));
    uLongf zlibLength = zlib.size();
    ASSERT_EQ(compress(zlib.data(), &zlibLength, zeros.data(), zeros.size()), Z_OK);
    zlib.resize(zlibLength);
    EXPECT_EQ(largestInflatedMetadata(1000), 8'000'000u);
    EXPECT_EQ(largestInflatedMetadata(9'000'000), 9'000'000u);
    for (const auto& [name, inflate, stream] :
         {std::tuple{"Brotli", &brotliDecoded, brotli}, std::tuple{"zlib", &zlibInflated, zlib}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(inflate(viewOf(stream), zeros.size()), zeros);
        EXPECT_EQ(inflate(viewOf(stream), zeros.size() - 1), std::nullopt);
        EXPECT_EQ(inflate(ByteView(stream.data(), stream.size() - 1), zeros.size()), std::nullopt);
    }
}

TEST(MetadataRecords, APNGCreationTimeBecomesAnXMPDateInEachFormWritersUseAndNothingOtherwise) {
    const std::pair<const char*, const char*> dates[] = {
        {"Tue, 06 May 2024 07:08:09 +0200", "2024-05-06T07:08:09+02:00"},
        {"6 May 2024 07:08 GMT", "2024-05-06T07:08Z"},
        {"2024:05:06 07:08:09", "2024-05-06T07:08:09"},
        {"2024:05:06 07:08:09-05:00", "2024-05-06T07:08:09-05:00"},
        {"2024-05-06T07:08:09.5Z", "2024-05-06T07:08:09.5Z"},
        {"2024-05-06", "2024-05-06"},
        {"yesterday", ""},
        {"2024-05-06T07", ""},
        {"Tue, 06 Mai 2024 07:08:09 +0200", ""},
        {"2024:05:06 07:08:09 in the evening", ""}};
    for (const auto& [text, xmp] : dates) EXPECT_EQ(xmpDateOfText(text), xmp) << text;
}

TEST(MetadataRecords, PhotoshopResourcesBesideTheIPTCReadBackFromTheSegmentsTheyAreWrittenInto) {
    // A URL with an odd length and no padding at the end of its block, and a profile, which travels on its own.
    const Bytes block = {'8', 'B', 'I', 'M', 0x04, 0x0F, 0, 0, 0, 0, 0, 2, 'P', 'P',
                         '8', 'B', 'I', 'M', 0x04, 0x0A, 0, 0, 0, 0, 0, 1, 1, 0,
                         '8', 'B', 'I', 'M', 0x04, 0x0B, 0, 0, 0, 0, 0, 3, 'u', 'r', 'l'};
    const auto resources = photoshopResourcesBesideMetadata(viewOf(block));
    ASSERT_TRUE(resources);
    Bytes padded(block.begin() + 14, block.end());
    padded.push_back(0);
    EXPECT_EQ(*resources, padded);
    const Bytes records = {0x1C, 2, 25, 0, 3, 'k', 'e', 'y'};
    for (const std::size_t largest : {jpegLargestPayload, std::size_t{20}}) {
        Bytes jpeg = {0xFF, 0xD8};
        for (const Bytes& segment : photoshopSegmentsWithIPTC(records, largest, resources))
            appendJPEGSegment(jpeg, jpegAPP13, viewOf(segment));
        EXPECT_EQ(jpegIPTC(viewOf(jpeg)), records);
        EXPECT_EQ(jpegPhotoshopResources(viewOf(jpeg)), resources);
    }
}
