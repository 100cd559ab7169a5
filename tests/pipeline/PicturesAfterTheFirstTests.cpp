// Phones and 3D cameras write more after a JPEG's picture: further pictures an MPF index
// lists, or a motion photo's video. The picture is rewritten or converted alone; what follows
// it stays as it was, or is named as left out, and nothing is left pointing at it.
#include "ConversionTesting.h"

#include "platform/metadata/JPEGPictures.h"
#include "support/ExifSamples.h"
#include "support/JPEGInspection.h"
#include "support/JPEGSamples.h"
#include "support/MetadataReaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include <jpeglib.h>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using namespace testing_support;

constexpr const char* planted = "PLANTED-IN-THE-SECOND-PICTURE";

bool holds(const platform::Bytes& file, const std::string& text) {
    return std::search(file.begin(), file.end(), text.begin(), text.end()) != file.end();
}

// Written with the library's plain Huffman tables, so that its rewrite is smaller and moves
// whatever follows it.
platform::Bytes firstPicture() { return libraryDefaultJpeg(testPattern(64, 48, 4), 64, 48, 4, JCS_EXT_RGBX); }

// A 3D camera's file: the second picture has its own EXIF (with GPS) and comment.
platform::Bytes twoPictures() {
    const auto second = withSegmentAfterSOI(withSegmentAfterSOI(makeJpeg(32, 24, 90), 0xFE, bytesOf(planted)), 0xE1,
                                            withExifMarker(cameraExifBlock()));
    return withPicturesAfter(firstPicture(), {second});
}

const platform::Bytes video = bytesOf(std::string("\0\0\0\x18" "ftypmp42\0\0\0\0mp42isom", 24) + std::string(3000, 'v'));

// A phone's motion photo: its XMP finds the video by its offset from the end of the file.
platform::Bytes motionPhoto() {
    const std::string length = std::to_string(video.size());
    const std::string xmp =
        std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' "
        "xmlns:GCamera='http://ns.google.com/photos/1.0/camera/' "
        "xmlns:Container='http://ns.google.com/photos/1.0/container/' "
        "xmlns:Item='http://ns.google.com/photos/1.0/container/item/' GCamera:MotionPhoto='1' GCamera:MicroVideo='1' "
        "GCamera:MicroVideoOffset='" + length + "'><dc:creator><rdf:Seq><rdf:li>Harbour Master</rdf:li></rdf:Seq></dc:creator>"
        "<Container:Directory><rdf:Seq><rdf:li rdf:parseType='Resource'><Container:Item Item:Mime='image/jpeg' "
        "Item:Semantic='Primary'/></rdf:li><rdf:li rdf:parseType='Resource'><Container:Item Item:Mime='video/mp4' "
        "Item:Semantic='MotionPhoto' Item:Length='" + length + "'/></rdf:li></rdf:Seq></Container:Directory>"
        "</rdf:Description></rdf:RDF></x:xmpmeta>";
    auto file = withSegmentAfterSOI(firstPicture(), 0xE1, bytesOf(xmp));
    file.insert(file.end(), video.begin(), video.end());
    return file;
}

platform::Bytes after(const platform::Bytes& file) {
    const auto end = platform::jpegFirstPictureLength(platform::ByteView(file.data(), file.size()));
    return {file.begin() + static_cast<long>(end.value_or(file.size())), file.end()};
}

ConversionResult converted(const TemporaryFolder& folder, const std::string& name, const platform::Bytes& source,
                           OutputSpec spec) {
    return standardEngine().convert(folder.write(name, source), spec, 1, EncodeEffort::final);
}

TEST(PicturesAfterTheFirst, TheBuiltInDefaultRewritesThePictureLosslesslyAndNamesWhatFollowedIt) {
    TemporaryFolder folder;
    OutputSpec spec = specFor(OutputFormat::sameAsSource());
    spec.metadata = MetadataPolicy::strip;
    auto trailing = firstPicture();
    for (const std::uint8_t byte : bytesOf("\x11 data \xFF\xD8\xFF\xE0 of the camera's own")) trailing.push_back(byte);
    for (const auto& [name, source, named] : {std::tuple{"two.jpg", twoPictures(), "the second picture"},
                                              std::tuple{"trailing.jpg", trailing, "after the picture"}}) {
        const auto result = converted(folder, name, source, spec);
        const platform::Bytes& output = *result.data;
        EXPECT_EQ(decodeJpeg(output).pixels, decodeJpeg(source).pixels) << name;
        EXPECT_TRUE(inspectJpeg(output).icc.empty()) << name;
        EXPECT_TRUE(after(output).empty() && result.warnings.empty()) << name;
        EXPECT_FALSE(holds(output, "MPF") || holds(output, planted) || holds(output, "Pictavo Test Camera")) << name;
        EXPECT_NE(result.diagnostic.find(named), std::string::npos) << result.diagnostic;
    }
}

TEST(PicturesAfterTheFirst, KeptMetadataKeepsWhatFollowsByteForByteAndTheIndexTrue) {
    TemporaryFolder folder;
    for (const auto& [name, source] : {std::pair{"two.jpg", twoPictures()}, std::pair{"motion.jpg", motionPhoto()}}) {
        const auto result = converted(folder, name, source, specFor(OutputFormat::sameAsSource()));
        const platform::Bytes& output = *result.data;
        EXPECT_LT(output.size(), source.size()) << name;
        EXPECT_EQ(decodeJpeg(output).pixels, decodeJpeg(source).pixels) << name;
        EXPECT_EQ(after(output), after(source)) << name;
        EXPECT_EQ(result.diagnostic, "") << name;
        const auto written = folder.write(std::string("out-") + name, output);
        EXPECT_EQ(complaints(written), "") << name;
        if (std::string(name) == "two.jpg") {
            EXPECT_EQ(printed("exiftool -s3 -NumberOfImages " + quoted(written)), "2\n");
            EXPECT_EQ(bytesOf(printed("exiftool -b -MPImage2 " + quoted(written))), after(source));
        } else {
            EXPECT_EQ(printed("exiftool -s3 -MicroVideoOffset " + quoted(written)), std::to_string(video.size()) + "\n");
        }
    }
}

// Re-encoded, the picture goes alone: what pointed at the video goes with it, by name.
TEST(PicturesAfterTheFirst, AConvertedPictureLeavesOutWhatFollowedItAndWhatPointedAtIt) {
    TemporaryFolder folder;
    const std::pair<OutputFormat, QualityMode> outputs[] = {
        {OutputFormat::jpeg(), QualityMode::quality(85)}, {OutputFormat::png(), QualityMode::lossless()},
        {OutputFormat::webp(), QualityMode::quality(85)}, {OutputFormat::tiff(), QualityMode::lossless()},
        {OutputFormat::heic(), QualityMode::quality(85)}};
    for (const auto& [format, quality] : outputs) {
        OutputSpec spec = specFor(format);
        spec.quality = quality;
        const auto stereo = converted(folder, "stereo.mpo", twoPictures(), spec);
        const auto motion = converted(folder, "motion.jpg", motionPhoto(), spec);
        EXPECT_NE(stereo.diagnostic.find("the second picture"), std::string::npos) << stereo.diagnostic;
        EXPECT_NE(motion.diagnostic.find("(GCamera:MotionPhoto, GCamera:MicroVideo, GCamera:MicroVideoOffset, "
                                         "Container:Directory)"),
                  std::string::npos)
            << motion.diagnostic;
        const auto& output = *motion.data;
        EXPECT_FALSE(holds(output, "MicroVideo") || holds(output, "MotionPhoto") || holds(output, "Container:Item") ||
                     holds(output, planted))
            << format.displayName();
        EXPECT_TRUE(holds(output, "Harbour Master")) << format.displayName();
        for (const auto* result : {&stereo, &motion})
            EXPECT_EQ(complaints(folder.write("out-" + result->suggestedFileName, *result->data)), "")
                << result->suggestedFileName;
    }
}

// An Ultra HDR photo as phones write it, with a motion photo's video after its gain map: the
// first picture's XMP names the gain map's version and lists both in its directory.
platform::Bytes gainMapAndVideo() {
    const std::string xmp =
        std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' "
        "xmlns:hdrgm='http://ns.adobe.com/hdr-gain-map/1.0/' "
        "xmlns:Container='http://ns.google.com/photos/1.0/container/' "
        "xmlns:Item='http://ns.google.com/photos/1.0/container/item/' hdrgm:Version='1.0'>"
        "<dc:creator><rdf:Seq><rdf:li>Harbour Master</rdf:li></rdf:Seq></dc:creator>"
        "<Container:Directory><rdf:Seq><rdf:li rdf:parseType='Resource'><Container:Item Item:Mime='image/jpeg' "
        "Item:Semantic='Primary'/></rdf:li><rdf:li rdf:parseType='Resource'><Container:Item Item:Mime='image/jpeg' "
        "Item:Semantic='GainMap' Item:Length='1000'/></rdf:li></rdf:Seq></Container:Directory>"
        "</rdf:Description></rdf:RDF></x:xmpmeta>";
    auto file = withPicturesAfter(withSegmentAfterSOI(firstPicture(), 0xE1, bytesOf(xmp)), {makeJpeg(32, 24, 90)});
    file.insert(file.end(), video.begin(), video.end());
    return file;
}

TEST(PicturesAfterTheFirst, AVideoAfterAGainMapIsNamedWithItAndTheGainMapsParametersGoWhereItGoes) {
    TemporaryFolder folder;
    const std::string videoNamed =
        "the " + std::to_string(video.size()) + " bytes after the second picture (a video, a further picture";
    OutputSpec stripped = specFor(OutputFormat::sameAsSource());
    stripped.metadata = MetadataPolicy::strip;
    const auto lossless = converted(folder, "hdr.jpg", gainMapAndVideo(), stripped);
    EXPECT_NE(lossless.diagnostic.find("the second picture"), std::string::npos) << lossless.diagnostic;
    EXPECT_NE(lossless.diagnostic.find(videoNamed), std::string::npos) << lossless.diagnostic;

    OutputSpec kept = specFor(OutputFormat::jpeg());
    kept.quality = QualityMode::quality(85);
    const auto reencoded = converted(folder, "hdr.jpg", gainMapAndVideo(), kept);
    EXPECT_NE(reencoded.diagnostic.find(videoNamed), std::string::npos) << reencoded.diagnostic;
    EXPECT_NE(reencoded.diagnostic.find("(hdrgm:Version, Container:Directory)"), std::string::npos)
        << reencoded.diagnostic;
    const platform::Bytes& output = *reencoded.data;
    EXPECT_FALSE(holds(output, "hdrgm:") || holds(output, "GainMap") || holds(output, "MPF"));
    EXPECT_TRUE(holds(output, "Harbour Master"));
    EXPECT_EQ(complaints(folder.write("out-hdr.jpg", output)), "");
}

// The library reads such a picture with a warning, so it is converted anew rather than
// rewritten; what followed it is named all the same.
TEST(PicturesAfterTheFirst, WhatFollowsADamagedFirstPictureIsNamedWhenThePictureIsConvertedAnew) {
    TemporaryFolder folder;
    OutputSpec spec = specFor(OutputFormat::sameAsSource());
    spec.metadata = MetadataPolicy::strip;
    const auto commented = withSegmentAfterSOI(firstPicture(), 0xFE, bytesOf("a comment of the camera's own"));
    const auto second = makeJpeg(32, 24, 90);
    auto unended = commented;
    unended.resize(unended.size() - 2);
    auto motion = withSegmentLengthOff(commented, 0xFE, -3);
    motion.insert(motion.end(), video.begin(), video.end());
    for (const auto& [name, source, named] :
         {std::tuple{"short-segment.jpg", withSegmentLengthOff(withPicturesAfter(commented, {second}), 0xFE, -3),
                     std::string("the second picture")},
          std::tuple{"no-end.jpg", withPicturesAfter(unended, {second}), std::string("the second picture")},
          std::tuple{"motion.jpg", motion, "the " + std::to_string(video.size()) + " bytes after the picture"}}) {
        const auto result = converted(folder, name, source, spec);
        ASSERT_TRUE(result.data) << name;
        EXPECT_TRUE(after(*result.data).empty()) << name;
        EXPECT_NE(result.diagnostic.find(named), std::string::npos) << name << ": " << result.diagnostic;
    }
}

} // namespace
