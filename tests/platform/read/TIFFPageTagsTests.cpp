// A later page of a TIFF is read for its tags from the bytes its tag readers need alone, at
// their offsets in the file: what they find there is what they find in the whole file.
#include "platform/metadata/ExifOrientation.h"
#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/TIFFExif.h"
#include "platform/metadata/TIFFResolutionUnit.h"
#include "platform/pixels/Image.h"
#include "platform/read/TIFFPageTags.h"
#include "platform/types/ImageTypeIdentifiers.h"
#include "platform/write/ImageWriter.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace platform;

namespace {

ByteView viewOf(const Bytes& bytes) { return ByteView(bytes.data(), bytes.size()); }

bool holds(ByteView bytes, std::string_view text) {
    return std::search(bytes.data(), bytes.data() + bytes.size(), text.begin(), text.end()) !=
           bytes.data() + bytes.size();
}

void put16(Bytes& bytes, std::size_t at, std::uint16_t value, bool bigEndian) {
    bytes[at + (bigEndian ? 0 : 1)] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + (bigEndian ? 1 : 0)] = static_cast<std::uint8_t>(value);
}

void put32(Bytes& bytes, std::size_t at, std::uint32_t value, bool bigEndian) {
    for (std::size_t byte = 0; byte < 4; ++byte)
        bytes[at + byte] = static_cast<std::uint8_t>(value >> 8 * (bigEndian ? 3 - byte : byte));
}

struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, field;
};

// A directory of `entries` put at the end of `tiff`, its next one at `next`; where it stands.
std::uint32_t appendDirectory(Bytes& tiff, const std::vector<Entry>& entries, std::uint32_t next, bool bigEndian) {
    const auto at = static_cast<std::uint32_t>(tiff.size() + tiff.size() % 2);
    tiff.resize(at + 2 + 12 * entries.size() + 4);
    put16(tiff, at, static_cast<std::uint16_t>(entries.size()), bigEndian);
    for (std::size_t index = 0; index < entries.size(); ++index) {
        const std::size_t entry = at + 2 + 12 * index;
        put16(tiff, entry, entries[index].tag, bigEndian);
        put16(tiff, entry + 2, entries[index].type, bigEndian);
        put32(tiff, entry + 4, entries[index].count, bigEndian);
        if (entries[index].type == 3 && entries[index].count == 1)
            put16(tiff, entry + 8, static_cast<std::uint16_t>(entries[index].field), bigEndian);
        else
            put32(tiff, entry + 8, entries[index].field, bigEndian);
    }
    put32(tiff, at + 2 + 12 * entries.size(), next, bigEndian);
    return at;
}

// The whole file with its header naming the directory `tags` names: what a whole copy gave.
Bytes wholeFileNaming(const Bytes& file, ByteView tags) {
    Bytes whole = file;
    std::copy(tags.data(), tags.data() + 8, whole.begin());
    return whole;
}

// A TIFF of two pages: the first names its sides alone; the second, written by exiv2, holds
// a camera's tags, its EXIF, GPS and interoperability directories, a maker note, IPTC records
// and an XMP packet; with where the second page's strip lies.
struct TwoPages {
    Bytes file;
    std::size_t stripOffset = 0, stripBytes = 0;
};

TwoPages twoPages() {
    auto pixels = std::make_shared<Bytes>(4 * 4 * 3, 0xAB);
    const auto page = ImageWriter::write(types::tiff, {Image::make(4, 4, 8, 3, AlphaInfo::none, ColourSpace::sRGB(), pixels, 12)}, {});
    EXPECT_TRUE(page);
    auto image = Exiv2::ImageFactory::open(page->data(), static_cast<long>(page->size()));
    image->readMetadata();
    Exiv2::ExifData& data = image->exifData();
    data["Exif.Image.Make"] = "Pictavo Camera Works";
    data["Exif.Image.Artist"] = "Second Page Artist";
    data["Exif.Image.Orientation"] = std::uint16_t{6};
    data["Exif.Photo.BodySerialNumber"] = "SERIAL-0002";
    data["Exif.Photo.CameraOwnerName"] = "Owner of page two";
    data["Exif.Photo.DateTimeOriginal"] = "2024:05:06 07:08:09";
    data["Exif.Iop.InteroperabilityIndex"] = "R98";
    data["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    Exiv2::URationalValue latitude;
    latitude.read("51/1 30/1 1234/100");
    data.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude"), &latitude);
    const std::string note = "MAKERNOTE-OF-PAGE-TWO";
    Exiv2::DataValue makerNote(reinterpret_cast<const Exiv2::byte*>(note.data()), static_cast<long>(note.size()));
    data.add(Exiv2::ExifKey("Exif.Photo.MakerNote"), &makerNote);
    image->iptcData()["Iptc.Application2.Keywords"] = "PAGETWOWORD";
    image->xmpData()["Xmp.dc.source"] = "LEFT-BEHIND-PACKET";
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.open();
    Bytes tiff(static_cast<std::size_t>(io.size()));
    io.seek(0, Exiv2::BasicIo::beg);
    io.read(tiff.data(), static_cast<long>(tiff.size()));
    io.close();
    image->readMetadata();
    const auto strip = image->exifData().findKey(Exiv2::ExifKey("Exif.Image.StripOffsets"));
    const auto stripBytes = image->exifData().findKey(Exiv2::ExifKey("Exif.Image.StripByteCounts"));
    EXPECT_TRUE(tiff[0] == 'I' && strip != image->exifData().end() && stripBytes != image->exifData().end());
    const std::uint32_t second = std::uint32_t{tiff[7]} << 24 | tiff[6] << 16 | tiff[5] << 8 | tiff[4];
    const std::uint32_t first = appendDirectory(tiff, {{256, 3, 1, 32}, {257, 3, 1, 24}, {315, 2, 4, 0}}, second, false);
    std::copy_n("ONE", 4, tiff.end() - 8);
    put32(tiff, 4, first, false);
    return {tiff, static_cast<std::size_t>(strip->toLong()), static_cast<std::size_t>(stripBytes->toLong())};
}

} // namespace

TEST(TIFFPageTags, ALaterPagesTagsReadAsInTheWholeFileWithoutItsOtherBytes) {
    const auto [file, stripOffset, stripBytes] = twoPages();
    ASSERT_FALSE(tiffPageTags(viewOf(file), 0));
    ASSERT_FALSE(tiffPageTags(viewOf(file), 2));
    const auto pageTags = tiffPageTags(viewOf(file), 1);
    ASSERT_TRUE(pageTags);
    const ByteView tags = pageTags->view();
    ASSERT_EQ(tags.size(), file.size());
    const Bytes whole = wholeFileNaming(file, tags);

    const auto exif = tiffFileExif(tags);
    ASSERT_TRUE(exif);
    EXPECT_EQ(exif, tiffFileExif(viewOf(whole)));
    for (const char* carried : {"Second Page Artist", "SERIAL-0002", "Owner of page two", "2024:05:06 07:08:09", "R98",
                                "MAKERNOTE-OF-PAGE-TWO"})
        EXPECT_TRUE(holds(viewOf(*exif), carried)) << carried;
    EXPECT_EQ(tiffIPTC(tags), tiffIPTC(viewOf(whole)));
    EXPECT_TRUE(tiffIPTC(tags) && holds(viewOf(*tiffIPTC(tags)), "PAGETWOWORD"));
    EXPECT_EQ(exifOrientation(tags), 6);
    EXPECT_EQ(tiffResolutionHasNoUnit(tags), tiffResolutionHasNoUnit(viewOf(whole)));

    // Neither the first page's directory, nor the packet libvips reads itself, nor the strip is there.
    EXPECT_FALSE(holds(tags, "ONE"));
    EXPECT_TRUE(std::all_of(tags.data() + file.size() - 42, tags.data() + tags.size(), [](auto byte) { return byte == 0; }));
    EXPECT_TRUE(holds(viewOf(file), "LEFT-BEHIND-PACKET"));
    EXPECT_FALSE(holds(tags, "LEFT-BEHIND-PACKET"));
    ASSERT_TRUE(stripBytes > 0 && stripOffset + stripBytes <= file.size());
    EXPECT_TRUE(std::all_of(tags.data() + stripOffset, tags.data() + stripOffset + stripBytes,
                            [](auto byte) { return byte == 0; }));
}

TEST(TIFFPageTags, OffsetsPastTheEndAndDirectoriesThatLoopAreReadAsTheWholeFileReadsThem) {
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        Bytes file = bigEndian ? Bytes{'M', 'M', 0, 42, 0, 0, 0, 0} : Bytes{'I', 'I', 42, 0, 0, 0, 0, 0};
        const std::uint32_t past = 0xFFFF'FF00;
        // The second page points its EXIF directory at itself, its GPS one and its values past
        // the end, and counts more IPTC bytes than the file holds.
        const auto second = static_cast<std::uint32_t>(8 + 2 + 12 * 2 + 4);
        appendDirectory(file, {{256, 3, 1, 4}, {257, 3, 1, 4}}, second, bigEndian);
        appendDirectory(file,
                        {{256, 3, 1, 4}, {257, 3, 1, 4}, {274, 3, 1, 3}, {315, 2, 100, past}, {33723, 4, 0x4000'0000, 8},
                         {34665, 4, 1, second}, {34853, 4, 1, past}, {34665, 13, 3, past}},
                        0, bigEndian);
        put32(file, 4, 8, bigEndian);
        const auto pageTags = tiffPageTags(viewOf(file), 1);
        ASSERT_TRUE(pageTags);
        const ByteView tags = pageTags->view();
        const Bytes whole = wholeFileNaming(file, tags);
        EXPECT_EQ(tiffFileExif(tags), tiffFileExif(viewOf(whole)));
        EXPECT_EQ(tiffIPTC(tags), std::nullopt);
        EXPECT_EQ(exifOrientation(tags), 3);
        // The directory is all the file holds past its first page: no value that runs past the end.
        EXPECT_TRUE(std::all_of(tags.data() + 8, tags.data() + second, [](auto byte) { return byte == 0; }));
        EXPECT_TRUE(std::equal(tags.data() + second, tags.data() + tags.size(), file.begin() + second));

        // A file that ends inside the second page's directory has as much of it as it holds.
        file.resize(file.size() - 20);
        const auto cut = tiffPageTags(viewOf(file), 1);
        ASSERT_TRUE(cut);
        EXPECT_TRUE(std::equal(cut->data() + second, cut->data() + cut->size(), file.begin() + second));
        EXPECT_EQ(exifOrientation(cut->view()), std::nullopt);
    }
}
