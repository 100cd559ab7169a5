#include "ConversionTesting.h"

#include "ImageEngine/Model/ConversionError.h"
#include "support/EncodedSamples.h"
#include "support/ExifSamples.h"
#include "support/SampleImages.h"
#include "support/XMPSamples.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using namespace testing_support;

std::size_t historyEntries(const std::map<std::string, std::string>& properties) {
    std::size_t count = 0;
    for (const auto& [key, value] : properties)
        if (key.starts_with("Xmp.xmpMM.History[") && key.ends_with("/stEvt:instanceID")) ++count;
    return count;
}

// Every property of a written JPEG's packet, its extension's included.
std::map<std::string, std::string> jpegXMPProperties(const platform::Bytes& jpeg) {
    const WrittenXMP written = writtenXMP(jpeg);
    auto properties = xmpProperties(written.standard);
    for (const auto& [key, value] : xmpProperties(written.extended)) properties.emplace(key, value);
    return properties;
}

// The PNG with an eXIf chunk holding the block right after its header, as cameras' and
// editors' PNGs carry EXIF.
platform::Bytes withExifChunk(const platform::Bytes& png, const platform::Bytes& exif) {
    constexpr std::size_t header = 33; // signature and IHDR
    // Sized once and filled in place: g++ 12 misreads inserts that grow a short vector as
    // writing out of bounds.
    platform::Bytes out(png.size() + exif.size() + 12);
    auto cursor = std::copy(png.begin(), png.begin() + header, out.begin());
    const auto chunk = cursor;
    for (int shift = 24; shift >= 0; shift -= 8) *cursor++ = static_cast<std::uint8_t>(exif.size() >> shift);
    for (char letter : {'e', 'X', 'I', 'f'}) *cursor++ = static_cast<std::uint8_t>(letter);
    cursor = std::copy(exif.begin(), exif.end(), cursor);
    const auto crc = crc32(0, &*(chunk + 4), static_cast<uInt>(exif.size() + 4));
    for (int shift = 24; shift >= 0; shift -= 8) *cursor++ = static_cast<std::uint8_t>(crc >> shift);
    std::copy(png.begin() + header, png.end(), cursor);
    return out;
}

SampleImage picture() {
    SampleImage sample;
    sample.width = 24;
    sample.height = 16;
    return sample;
}

} // namespace

TEST(LargeMetadata, AnEditHistoryLargerThanOneJPEGSegmentTravelsAsExtendedXMP) {
    TemporaryFolder folder;
    SampleImage sample = picture();
    sample.xmp = xmpPacketWithHistory(600);
    ASSERT_GT(sample.xmp->size(), 130'000u);
    const auto source = folder.write("edited.png", *encodeSample(sample, ".png"));

    auto spec = specFor(OutputFormat::jpeg());
    spec.quality = QualityMode::quality(80);
    const ConversionResult result = standardEngine().convert(source, spec, 1, EncodeEffort::final);
    const auto properties = jpegXMPProperties(*result.data);
    EXPECT_EQ(historyEntries(properties), 600u);
    EXPECT_EQ(properties.count("Xmp.dc.title"), 1u);
    EXPECT_EQ(properties.count("Xmp.xmpMM.History[600]/stEvt:when"), 1u);
    EXPECT_GE(writtenXMP(*result.data).chunks, 2u);

    // Read back by the engine, the whole packet goes on to the next format.
    const auto jpeg = folder.write("edited.jpg", *result.data);
    const ConversionResult png = standardEngine().convert(jpeg, specFor(OutputFormat::png()), 1, EncodeEffort::final);
    const auto carried = readWithVips(*png.data);
    ASSERT_TRUE(carried);
    const auto pngProperties = xmpProperties(carried->xmp);
    EXPECT_EQ(historyEntries(pngProperties), 600u);
    EXPECT_EQ(pngProperties.count("Xmp.xmpNote.HasExtendedXMP"), 0u);
}

TEST(LargeMetadata, AJPEGSourcesExtendedXMPIsCarriedToOtherFormatsAndBackToJPEG) {
    TemporaryFolder folder;
    // As an editor writes it: the history alone in the extension, named from the standard packet.
    std::string extended = xmpPacketWithHistory(400);
    extended = extended.substr(extended.find("<x:xmpmeta"));
    extended = extended.substr(0, extended.find("<?xpacket end"));
    const std::string guid = glibMd5Guid(extended);
    std::string standard = xmpPacket(1);
    standard.insert(standard.find("xmlns:dc="), "xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" xmpNote:HasExtendedXMP=\"" +
                                                    guid + "\" ");
    const auto jpegBytes = withExtendedXMP(*encodeSample(picture(), ".jpg[Q=90]"), standard, extended, guid, 65'000);
    const auto source = folder.write("edited.jpg", jpegBytes);

    for (const auto& format : {OutputFormat::png(), OutputFormat::webp(), OutputFormat::tiff()}) {
        SCOPED_TRACE(format.id());
        const ConversionResult result = standardEngine().convert(source, specFor(format), 1, EncodeEffort::final);
        const auto read = readWithVips(*result.data);
        ASSERT_TRUE(read);
        const auto properties = xmpProperties(read->xmp);
        EXPECT_EQ(historyEntries(properties), 400u);
        EXPECT_EQ(properties.at("Xmp.dc.title"), "lang=\"x-default\" Harbour at dusk");
        EXPECT_EQ(properties.count("Xmp.xmpNote.HasExtendedXMP"), 0u);
    }

    auto resized = specFor(OutputFormat::jpeg());
    resized.sizing = ResizeSpec::percentage(0.5);
    const ConversionResult result = standardEngine().convert(source, resized, 1, EncodeEffort::final);
    EXPECT_EQ(historyEntries(jpegXMPProperties(*result.data)), 400u);

    // Its first chunk only: no output names an extension it does not carry, and the result says why.
    const auto cut = folder.write("cut.jpg", withExtendedXMP(*encodeSample(picture(), ".jpg[Q=90]"), standard, extended,
                                                             guid, 30'000, {0}));
    const ConversionResult partial = standardEngine().convert(cut, specFor(OutputFormat::png()), 1, EncodeEffort::final);
    EXPECT_EQ(xmpProperties(readWithVips(*partial.data)->xmp).count("Xmp.xmpNote.HasExtendedXMP"), 0u);
    EXPECT_NE(partial.diagnostic.find("extended XMP the packet names (" + guid + ") was left out"), std::string::npos)
        << partial.diagnostic;
}

TEST(LargeMetadata, AnEXIFBlockTooLargeForJPEGLosesItsThumbnailAndTheConversionSucceeds) {
    TemporaryFolder folder;
    const auto png = *encodeSample(picture(), ".png");
    const auto source = folder.write("camera.png", withExifChunk(png, exifBlockWithThumbnail(62'000, 6'000)));

    const ConversionResult result = standardEngine().convert(source, specFor(OutputFormat::jpeg()), 1, EncodeEffort::final);
    const auto read = readWithVips(*result.data);
    ASSERT_TRUE(read);
    auto tags = exifTags(read->exif);
    EXPECT_EQ(tags["Exif.Image.Make"], "Pictavo Test Camera");
    EXPECT_EQ(tags["Exif.Photo.DateTimeOriginal"], "2024:05:06 07:08:09");
    EXPECT_EQ(tags.count("Exif.Photo.MakerNote"), 1u);
    EXPECT_EQ(tags.count("Exif.Thumbnail.JPEGInterchangeFormat"), 0u);
}

TEST(LargeMetadata, AnXMLPacketLetsTheThumbnailMakeRoomAndATIFFLeavesOutTheMakerNote) {
    TemporaryFolder folder;
    const std::string packet = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">" + std::string(2'000, ' ') + "</x:xmpmeta>";
    const auto exif = exifBlockWithThumbnail(20'000, 50'000, 0x927C, packet);
    const auto source = folder.write("camera.png", withExifChunk(*encodeSample(picture(), ".png"), exif));
    const auto tagsAs = [&](const OutputFormat& format) {
        return exifTagsOfFile(*standardEngine().convert(source, specFor(format), 1, EncodeEffort::final).data);
    };
    const auto jpeg = tagsAs(OutputFormat::jpeg());
    EXPECT_EQ(jpeg.count("Exif.Photo.MakerNote"), 1u);
    EXPECT_EQ(jpeg.count("Exif.Thumbnail.JPEGInterchangeFormat"), 0u);
    // A maker note's offsets would point at the wrong bytes of a TIFF laid out anew.
    const auto tiff = tagsAs(OutputFormat::tiff());
    EXPECT_EQ(tiff.at("Exif.Photo.DateTimeOriginal"), "2024:05:06 07:08:09");
    EXPECT_EQ(tiff.count("Exif.Photo.MakerNote"), 0u);
}
