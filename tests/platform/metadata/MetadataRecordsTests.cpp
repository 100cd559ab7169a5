// The small readers and in-place editors of metadata that libraries leave out or get wrong.
#include "platform/metadata/ExifOutputFacts.h"
#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/RawProfile.h"
#include "platform/metadata/XMPTopLevel.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

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
    const Bytes segment = photoshopSegmentWithIPTC(records);
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
