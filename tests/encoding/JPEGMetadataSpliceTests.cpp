#include "ImageEngine/Encoding/jpeg/JPEGMetadataSplice.h"

#include "support/ExifSamples.h"
#include "support/JPEGInspection.h"
#include "support/JPEGSamples.h"
#include "support/XMPSamples.h"

#include <gtest/gtest.h>

#include <jpeglib.h>

using namespace testing_support;
using pictavo::JPEGMetadataSplice;

namespace {

const std::string exifHeader("Exif\0\0", 6);
const std::string xmpHeader("http://ns.adobe.com/xap/1.0/\0", 29);

platform::XmpRef packet(const std::string& text) {
    return std::make_shared<platform::XMPPacket>(platform::XMPPacket{text});
}

// The file with the segment of `length` payload bytes at `offset` cut out again.
platform::Bytes cutSegment(const platform::Bytes& jpeg, std::size_t offset) {
    std::size_t length = (static_cast<std::size_t>(jpeg[offset + 2]) << 8 | jpeg[offset + 3]) + 2;
    platform::Bytes out(jpeg.begin(), jpeg.begin() + static_cast<long>(offset));
    out.insert(out.end(), jpeg.begin() + static_cast<long>(offset + length), jpeg.end());
    return out;
}

} // namespace

TEST(JPEGMetadataSplice, CarriesTheEXIFAndXMPWithTheNewOrientationAndChangesNothingElse) {
    platform::Bytes jpeg = makeJpeg(48, 32, 85, JPEGKind::progressive, sRGBProfile());
    for (bool bigEndian : {false, true}) {
        auto spliced = JPEGMetadataSplice::inserting(jpeg, exifBlock(bigEndian, 6), packet(xmpPacket(6)), 1);
        ASSERT_TRUE(spliced);
        JPEGInspection inspected = inspectJpeg(*spliced);
        ASSERT_EQ(inspected.markers.size(), 4u); // JFIF, EXIF, XMP, ICC in that order
        EXPECT_TRUE(inspected.markers[0].startsWith(std::string("JFIF\0", 5)));
        EXPECT_TRUE(inspected.markers[1].startsWith(exifHeader));
        EXPECT_TRUE(inspected.markers[2].startsWith(xmpHeader));
        EXPECT_EQ(inspected.icc, sRGBProfile());

        // Every tag comes through; only the orientation is the new one.
        EXPECT_EQ(exifTags(inspected.app1Payload(exifHeader).value_or(platform::Bytes{})), exifTags(exifBlock(bigEndian, 1)));
        platform::Bytes xmp = inspected.app1Payload(xmpHeader).value_or(platform::Bytes{});
        EXPECT_EQ(std::string(xmp.begin(), xmp.end()), xmpPacket(1));

        // Cutting the two new segments out gives back the encoder's bytes exactly.
        std::size_t jfifEnd = 4 + (static_cast<std::size_t>(jpeg[4]) << 8 | jpeg[5]);
        EXPECT_EQ(cutSegment(cutSegment(*spliced, jfifEnd), jfifEnd), jpeg);
    }
}

TEST(JPEGMetadataSplice, WithoutUsableEXIFAMinimalOneHoldsTheOrientation) {
    platform::Bytes jpeg = makeJpeg(16, 16);
    platform::Bytes damaged = {'I', 'I', 42, 0, 200, 0, 0, 0}; // IFD0 offset past the end
    for (const std::optional<platform::Bytes>& exif : {std::optional<platform::Bytes>{}, std::optional(damaged)}) {
        auto spliced = JPEGMetadataSplice::inserting(jpeg, exif, nullptr, 8);
        ASSERT_TRUE(spliced);
        JPEGInspection inspected = inspectJpeg(*spliced);
        const auto minimal = inspected.app1Payload(exifHeader);
        ASSERT_TRUE(minimal);
        EXPECT_EQ(exifTags(*minimal), (std::map<std::string, std::string>{{"Exif.Image.Orientation", "8"}}));
        EXPECT_FALSE(inspected.app1Payload(xmpHeader));
    }
    // A carried block that already has its APP1 header keeps exactly one.
    platform::Bytes headed(exifHeader.begin(), exifHeader.end());
    platform::Bytes block = exifBlock(false, 3);
    headed.insert(headed.end(), block.begin(), block.end());
    JPEGInspection inspected = inspectJpeg(*JPEGMetadataSplice::inserting(jpeg, headed, nullptr, 2));
    const auto payload = inspected.app1Payload(exifHeader);
    ASSERT_TRUE(payload);
    EXPECT_EQ(platform::Bytes(payload->begin(), payload->begin() + 2), (platform::Bytes{'I', 'I'}));
    EXPECT_EQ(exifTags(*payload)["Exif.Image.Orientation"], "2");
}

TEST(JPEGMetadataSplice, APacketThatCannotTakeTheOrientationIsLeftOut) {
    auto spliced = JPEGMetadataSplice::inserting(makeJpeg(16, 16), exifBlock(false, 1), packet("not xmp at all"), 3);
    ASSERT_TRUE(spliced);
    EXPECT_FALSE(inspectJpeg(*spliced).app1Payload(xmpHeader));
}

TEST(JPEGMetadataSplice, APacketTooLargeForOneSegmentTravelsAsExtendedXMP) {
    const platform::Bytes jpeg = makeJpeg(16, 16);
    const std::string history = xmpPacketWithHistory(600);
    ASSERT_GT(history.size(), 130'000u);
    auto spliced = JPEGMetadataSplice::inserting(jpeg, std::nullopt, packet(history), 3);
    ASSERT_TRUE(spliced) << spliced.cause();

    const WrittenXMP written = writtenXMP(*spliced);
    EXPECT_GE(written.chunks, 2u);
    const auto standard = xmpProperties(written.standard);
    const auto extended = xmpProperties(written.extended);
    EXPECT_EQ(standard.at("Xmp.tiff.Orientation"), "3");
    EXPECT_EQ(standard.count("Xmp.dc.title"), 1u);
    EXPECT_EQ(extended.count("Xmp.dc.title"), 0u);
    EXPECT_EQ(extended.count("Xmp.xmpMM.History[600]/stEvt:instanceID"), 1u);

    // The encoder's own bytes follow the new segments unchanged.
    EXPECT_TRUE(std::equal(jpeg.begin() + 20, jpeg.end(), spliced->end() - static_cast<long>(jpeg.size() - 20)));
}

TEST(JPEGMetadataSplice, AnEXIFTooLargeForOneSegmentLosesItsThumbnailFirstThenItsMakerNote) {
    const platform::Bytes jpeg = makeJpeg(16, 16);
    const auto exifOf = [&](const platform::Bytes& block) {
        auto spliced = JPEGMetadataSplice::inserting(jpeg, block, nullptr, 6);
        EXPECT_TRUE(spliced) << spliced.cause();
        return spliced ? exifTags(inspectJpeg(*spliced).app1Payload(exifHeader).value_or(platform::Bytes{}))
                       : std::map<std::string, std::string>{};
    };

    // The thumbnail alone is enough to lose: the maker note stays.
    auto tags = exifOf(exifBlockWithThumbnail(62'000, 4'000));
    EXPECT_EQ(tags["Exif.Image.Make"], "Pictavo Test Camera");
    EXPECT_EQ(tags["Exif.Image.Orientation"], "6");
    EXPECT_EQ(tags["Exif.Photo.DateTimeOriginal"], "2024:05:06 07:08:09");
    EXPECT_EQ(tags.count("Exif.Photo.MakerNote"), 1u);
    EXPECT_EQ(tags.count("Exif.Thumbnail.JPEGInterchangeFormat"), 0u);

    // A maker note larger than a segment goes too.
    tags = exifOf(exifBlockWithThumbnail(10'000, 70'000));
    EXPECT_EQ(tags["Exif.Image.Make"], "Pictavo Test Camera");
    EXPECT_EQ(tags["Exif.Photo.DateTimeOriginal"], "2024:05:06 07:08:09");
    EXPECT_EQ(tags.count("Exif.Photo.MakerNote"), 0u);
    EXPECT_EQ(tags.count("Exif.Thumbnail.JPEGInterchangeFormat"), 0u);

    // A block that fits keeps its thumbnail.
    tags = exifOf(exifBlockWithThumbnail(20'000, 4'000));
    EXPECT_EQ(tags.count("Exif.Thumbnail.JPEGInterchangeFormat"), 1u);
    EXPECT_EQ(tags.count("Exif.Photo.MakerNote"), 1u);

    platform::Bytes largeExif = exifBlock(false, 1);
    largeExif.resize(JPEGMetadataSplice::largestPayload - exifHeader.size(), 0); // exactly one full segment
    EXPECT_EQ(inspectJpeg(*JPEGMetadataSplice::inserting(jpeg, largeExif, nullptr, 1)).app1Payload(exifHeader)->size(),
              largeExif.size());
}

TEST(JPEGMetadataSplice, FailsSayingWhyRatherThanDropWhatCannotBeCarried) {
    platform::Bytes jpeg = makeJpeg(16, 16);
    std::string unreadable = xmpPacket(1);
    // XML, but with a prefix bound to no namespace, which exiv2 cannot read to split the packet.
    for (std::size_t at = unreadable.find("</rdf:Description>"); unreadable.size() < 70'000;) unreadable.insert(at, "<u:x/>");
    const auto expectCause = [](const platform::Outcome<platform::Bytes>& spliced, const std::string& words) {
        EXPECT_FALSE(spliced);
        EXPECT_NE(spliced.cause().find(words), std::string::npos) << spliced.cause();
    };
    expectCause(JPEGMetadataSplice::inserting(jpeg, std::nullopt, packet(unreadable), 1), "XMP packet");
    // A user comment larger than a segment is neither thumbnail nor maker note.
    const auto comment = exifBlockWithThumbnail(10'000, 70'000, 0x9286);
    expectCause(JPEGMetadataSplice::inserting(jpeg, comment, nullptr, 1),
                "its 68 kB Exif.Photo.UserComment does not fit a JPEG's 64 kB EXIF segment");
    expectCause(JPEGMetadataSplice::inserting(bytesOf("GIF89a"), std::nullopt, nullptr, 1), "JPEG");
    expectCause(JPEGMetadataSplice::inserting(platform::Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x40, 0x00}, std::nullopt,
                                              nullptr, 1), "JPEG");
    expectCause(JPEGMetadataSplice::inserting(jpeg, std::nullopt, nullptr, 9), "orientation 9");
}
