#include "ImageEngine/Encoding/jpeg/MozJPEGSourceOptimiser.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/Reorientation.h"
#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"
#include "platform/pixels/ImageFilters.h"
#include "shims/pctv_mozjpeg.h"
#include "support/ConversionErrorCapture.h"
#include "support/ExifSamples.h"
#include "support/JPEGInspection.h"
#include "support/JPEGSamples.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <jpeglib.h>

using namespace testing_support;
using pictavo::ConversionError;
using pictavo::MetadataPolicy;
using pictavo::MozJPEGSourceOptimiser;

namespace {

const std::string exifHeader("Exif\0\0", 6);

// A camera-like file: JFIF, the EXIF with the orientation, a comment and the sRGB profile.
platform::Bytes cameraJpeg(int width, int height, int orientation) {
    platform::Bytes exif(exifHeader.begin(), exifHeader.end());
    platform::Bytes block = exifBlock(false, orientation);
    exif.insert(exif.end(), block.begin(), block.end());
    platform::Bytes jpeg = makeJpeg(width, height, 85, JPEGKind::sequential, sRGBProfile());
    return withSegmentAfterSOI(withSegmentAfterSOI(jpeg, 0xFE, bytesOf("taken by a test")), 0xE1, exif);
}

platform::Bytes shimRewrite(const platform::Bytes& source, bool keep, bool progressive, std::uint32_t turn) {
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    EXPECT_EQ(pctv_mozjpeg_reoptimise(source.data(), source.size(), keep, progressive, turn, &out, &length, nullptr, 0),
              0);
    platform::Bytes result(out, out + length);
    pctv_mozjpeg_free(out);
    return result;
}

platform::ImageRef asImage(const DecodedJPEG& decoded) {
    return platform::Image::make(decoded.width, decoded.height, 8, 3, platform::AlphaInfo::none,
                                 platform::ColourSpace::sRGB(), std::make_shared<platform::Bytes>(decoded.pixels),
                                 static_cast<std::size_t>(decoded.width) * 3);
}

ConversionError optimisingError(const platform::Bytes& source, MetadataPolicy policy, std::uint32_t orientation) {
    return thrownBy([&] { MozJPEGSourceOptimiser().optimise(source, policy, orientation); });
}

} // namespace

TEST(MozJPEGSourceOptimiser, IsTheStandardJPEGOptimiserAndTurnsWithoutDecoding) {
    auto registered = pictavo::SourceOptimiserRegistry::standard().optimiser(pictavo::OutputFormat::jpeg());
    EXPECT_TRUE(dynamic_cast<const MozJPEGSourceOptimiser*>(registered.get()));
    EXPECT_TRUE(MozJPEGSourceOptimiser().bakesOrientationWithoutDecoding());
    EXPECT_EQ(MozJPEGSourceOptimiser().honouredMetadataPolicies(),
              (std::set{MetadataPolicy::keepAll, MetadataPolicy::strip}));
}

TEST(MozJPEGSourceOptimiser, UprightsEachEXIFOrientationWithItsLosslessTurn) {
    const std::uint32_t expectedTurns[] = {0, 1, 6, 2, 3, 5, 4, 7};
    EXPECT_EQ(MozJPEGSourceOptimiser::turnFor(pictavo::Reorientation(5, false)), 5u); // counts modulo 4
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE("orientation " + std::to_string(orientation));
        EXPECT_EQ(MozJPEGSourceOptimiser::turnFor(pictavo::Reorientation::uprighting(orientation)),
                  expectedTurns[orientation - 1]);
        platform::Bytes source = cameraJpeg(64, 48, orientation);
        platform::Bytes result = MozJPEGSourceOptimiser().optimise(source, MetadataPolicy::strip, orientation);
        JPEGInspection inspected = inspectJpeg(result);
        bool quarter = orientation >= 5;
        EXPECT_EQ(inspected.width, quarter ? 48 : 64);
        EXPECT_EQ(inspected.height, quarter ? 64 : 48);
        // Only the profile (and the library's own JFIF header) is left.
        EXPECT_EQ(inspected.icc, sRGBProfile());
        EXPECT_EQ(inspected.markerCount(JPEG_APP0 + 1, ""), 0);
        EXPECT_EQ(inspected.markerCount(JPEG_COM, ""), 0);

        // The coefficients are the source's, turned: exactly what the shim's turn makes.
        JPEGInspection turned = inspectJpeg(shimRewrite(source, false, false, expectedTurns[orientation - 1]));
        for (std::size_t ci = 0; ci < turned.components.size(); ++ci)
            EXPECT_EQ(inspected.components[ci].coefficients, turned.components[ci].coefficients);

        // And the picture stands as a viewer shows the source.
        platform::ImageRef upright = platform::ImageFilters::oriented(asImage(decodeJpeg(source)), orientation);
        DecodedJPEG decoded = decodeJpeg(result);
        ASSERT_EQ(upright->width(), decoded.width);
        int worst = 0;
        for (int y = 0; y < decoded.height; ++y)
            for (int x = 0; x < decoded.width * 3; ++x)
                worst = std::max(worst, std::abs(upright->row(y)[x] - decoded.pixels[y * decoded.width * 3 + x]));
        EXPECT_LE(worst, 6);
    }
}

TEST(MozJPEGSourceOptimiser, KeepingMetadataKeepsEveryMarkerAndDoesNotTurn) {
    platform::Bytes source = cameraJpeg(64, 48, 6);
    JPEGInspection original = inspectJpeg(source);
    JPEGInspection kept = inspectJpeg(MozJPEGSourceOptimiser().optimise(source, MetadataPolicy::keepAll, 6));
    EXPECT_EQ(kept.width, 64);
    EXPECT_EQ(kept.markers.size(), original.markers.size());
    EXPECT_EQ(kept.markerCount(JPEG_APP0 + 1, exifHeader), 1);
    EXPECT_EQ(kept.markerCount(JPEG_COM, "taken by a test"), 1);
    for (std::size_t ci = 0; ci < original.components.size(); ++ci)
        EXPECT_EQ(kept.components[ci].coefficients, original.components[ci].coefficients);
}

TEST(MozJPEGSourceOptimiser, GivesTheSmallerOfTheSequentialAndProgressiveFiles) {
    for (int side : {16, 200}) {
        platform::Bytes source = cameraJpeg(side, side, 1);
        platform::Bytes sequential = shimRewrite(source, true, false, 0);
        platform::Bytes progressive = shimRewrite(source, true, true, 0);
        ASSERT_NE(sequential.size(), progressive.size());
        platform::Bytes result = MozJPEGSourceOptimiser().optimise(source, MetadataPolicy::keepAll, 1);
        EXPECT_EQ(result, progressive.size() < sequential.size() ? progressive : sequential) << side;
    }
}

TEST(MozJPEGSourceOptimiser, FailsWithTheEncodeErrorWhenTheFileCannotBeRewritten) {
    const auto encodeFailed = ConversionError::encodeFailed(pictavo::OutputFormat::jpeg());
    // 100 x 75 in 4:2:0: a quarter turn would move the partial blocks inside the picture.
    platform::Bytes odd = cameraJpeg(100, 75, 6);
    EXPECT_EQ(optimisingError(odd, MetadataPolicy::strip, 6), encodeFailed);
    EXPECT_NO_THROW(MozJPEGSourceOptimiser().optimise(odd, MetadataPolicy::strip, 1));
    EXPECT_NO_THROW(MozJPEGSourceOptimiser().optimise(odd, MetadataPolicy::keepAll, 6));

    platform::Bytes twice = cameraJpeg(32, 32, 1);
    platform::Bytes copy = twice;
    twice.insert(twice.end(), copy.begin(), copy.end());
    // A picture after the first is no damage to it: it stays as it was behind the rewrite.
    const platform::Bytes kept = MozJPEGSourceOptimiser().optimise(twice, MetadataPolicy::keepAll, 1);
    EXPECT_TRUE(kept.size() >= copy.size() && std::equal(copy.rbegin(), copy.rend(), kept.rbegin()));
    platform::Bytes truncated(copy.begin(), copy.begin() + static_cast<long>(copy.size() - 200));
    EXPECT_EQ(optimisingError(truncated, MetadataPolicy::keepAll, 1), encodeFailed);
    EXPECT_EQ(optimisingError({}, MetadataPolicy::keepAll, 1), encodeFailed);
}
