#include "ConversionTesting.h"
#include "SourceImages.h"

#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Stages/ColourStage.h"
#include "support/ConversionErrorCapture.h"
#include "support/EncodedSamples.h"
#include "support/ExifSamples.h"
#include "support/JPEGInspection.h"
#include "support/JPEGSamples.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>
#include <lcms2.h>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

constexpr std::array<int, 4> red{255, 0, 0, 255};
constexpr std::array<int, 4> green{0, 255, 0, 255};
constexpr std::array<int, 4> blue{0, 0, 255, 255};
constexpr std::array<int, 4> white{255, 255, 255, 255};

// The colours at the centres of the top left, top right, bottom left and bottom right quarters.
void expectCorners(const platform::Image& image, const std::array<std::array<int, 4>, 4>& colours, int tolerance) {
    const auto w = image.width();
    const auto h = image.height();
    EXPECT_PRED3(near, colourAt(image, w / 4, h / 4), colours[0], tolerance);
    EXPECT_PRED3(near, colourAt(image, 3 * w / 4, h / 4), colours[1], tolerance);
    EXPECT_PRED3(near, colourAt(image, w / 4, 3 * h / 4), colours[2], tolerance);
    EXPECT_PRED3(near, colourAt(image, 3 * w / 4, 3 * h / 4), colours[3], tolerance);
}

class ConversionPixels : public testing::Test {
protected:
    ConversionResult convert(const std::filesystem::path& path, const OutputSpec& spec) const {
        return standardEngine().convert(path, spec, 1, EncodeEffort::final);
    }
    platform::ImageRef converted(const std::filesystem::path& path, const OutputSpec& spec) const {
        return decodedOutput(convert(path, spec), folder);
    }

    TemporaryFolder folder;
};

TEST_F(ConversionPixels, EveryExifOrientationComesOutUprightAndIsNotTurnedAgain) {
    const Picture upright = quadrants(48, 32);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE("orientation " + std::to_string(orientation));
        const auto path = folder.write("turned-" + std::to_string(orientation) + ".jpg",
                                       encode(storedFor(upright, orientation), ".jpg[Q=95]", orientation));
        ASSERT_EQ(standardEngine().properties(path).orientation, static_cast<std::uint32_t>(orientation));
        const auto result = convert(path, specFor(OutputFormat::png()));
        expectCorners(*decodedOutput(result, folder, {48, 32}), {red, green, blue, white}, 24);
        // The metadata kept with the pixels says they are upright.
        const auto written = folder.write("written-" + std::to_string(orientation) + ".png", *result.data);
        EXPECT_EQ(standardEngine().properties(written).orientation, 1u);
    }
}

TEST_F(ConversionPixels, AnOrientationStoredAsASignedLongOrInATiffIsHonouredAndAddsUpWithTheUsersTurn) {
    const Picture upright = quadrants(48, 32);
    platform::Bytes app1 = testing_support::bytesOf(std::string("Exif\0\0", 6));
    const auto exif = testing_support::exifBlockWithOrientationType(false, 9, 6);
    app1.insert(app1.end(), exif.begin(), exif.end());
    const auto path = folder.write(
        "signed-long.jpg", testing_support::withSegmentAfterSOI(encode(storedFor(upright, 6), ".jpg[Q=95]"), 0xE1, app1));
    ASSERT_EQ(standardEngine().properties(path).orientation, 6u);

    // Decoded into PNG, the pixels are turned upright and the tag says so.
    const auto png = convert(path, specFor(OutputFormat::png()));
    expectCorners(*decodedOutput(png, folder, {48, 32}), {red, green, blue, white}, 24);
    EXPECT_EQ(testing_support::exifTagsOfFile(*png.data).at("Exif.Image.Orientation"), "1");

    // Re-optimised as JPEG, the pixels stay as stored and the rewritten tag still turns them.
    const auto jpeg = convert(path, specFor(OutputFormat::jpeg()));
    const auto tags = testing_support::exifTagsOfFile(*jpeg.data);
    EXPECT_EQ(tags.at("Exif.Image.Orientation"), "6");
    EXPECT_EQ(tags.at("Exif.Image.Make"), "Pictavo Test Camera");
    EXPECT_EQ(standardEngine().properties(folder.write("written.jpg", *jpeg.data)).orientation, 6u);
    EXPECT_EQ(jpeg.pixelSize, (platform::Size{48, 32}));

    const auto tiff = folder.write("turned.tif", encode(storedFor(quadrants(40, 30), 6), ".tif", 6));
    auto spec = specFor(OutputFormat::png());
    spec.adjustments.reorientation = Reorientation(2, false);
    // Upright, then half a turn.
    expectCorners(*decodedOutput(convert(tiff, spec), folder, {40, 30}), {white, blue, green, red}, 2);
}

// Left half red at half opacity, right half opaque blue.
Picture halfTransparent(int width, int height) {
    Picture picture = filled(width, height, {0, 0, 255, 255});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width / 2; ++x) std::copy_n(std::array<std::uint8_t, 4>{255, 0, 0, 128}.begin(), 4, picture.at(x, y));
    return picture;
}

TEST_F(ConversionPixels, TransparencyIsLaidOnTheMatteOnlyWhereTheFormatKeepsNoneAndThereIsSome) {
    const auto path = folder.write("half.png", encode(halfTransparent(32, 16), ".png"));

    auto spec = specFor(OutputFormat::jpeg());
    spec.quality = QualityMode::quality(95);
    auto result = convert(path, spec);
    EXPECT_EQ(result.warnings, std::vector{ConversionWarning::transparencyFlattened()});
    auto image = decodedOutput(result, folder);
    EXPECT_PRED3(near, colourAt(*image, 4, 8), (std::array<int, 4>{255, 127, 127, 255}), 8);
    EXPECT_PRED3(near, colourAt(*image, 28, 8), blue, 8);

    spec.matte = MatteColour::black();
    EXPECT_PRED3(near, colourAt(*converted(path, spec), 4, 8), (std::array<int, 4>{128, 0, 0, 255}), 8);

    // PNG keeps the transparency as it is.
    result = convert(path, specFor(OutputFormat::png()));
    EXPECT_TRUE(result.warnings.empty());
    image = decodedOutput(result, folder);
    EXPECT_PRED3(near, colourAt(*image, 4, 8), (std::array<int, 4>{255, 0, 0, 128}), 1);
}

// The sRGB colour lcms2 gives for an 8-bit colour of another RGB profile.
std::array<int, 4> inSRGB(const platform::Bytes& profile, std::array<std::uint8_t, 3> colour) {
    cmsHPROFILE from = cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
    cmsHPROFILE to = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(from, TYPE_RGB_8, to, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    std::array<std::uint8_t, 3> out{};
    cmsDoTransform(transform, colour.data(), out.data(), 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(from);
    cmsCloseProfile(to);
    return {out[0], out[1], out[2], 255};
}

TEST_F(ConversionPixels, WideGamutColourIsConvertedToSRGBOrKeptWithItsProfileAndCMYKAlwaysConverted) {
    const std::array<std::uint8_t, 3> colour{200, 100, 50};
    for (const auto& space : {testing_support::displayP3(), testing_support::adobeRGB()}) {
        SCOPED_TRACE(space->description().value_or("a profile"));
        const platform::Bytes& icc = space->iccData();
        const auto path = folder.write("wide.png", encode(filled(8, 8, {200, 100, 50}), ".png", 1, icc));
        const auto expected = inSRGB(icc, colour);
        ASSERT_FALSE(near(expected, {200, 100, 50, 255}, 4)) << "the test colour must move";

        auto spec = specFor(OutputFormat::png());
        spec.colour = ColourPolicy::convertToSRGB;
        auto image = converted(path, spec);
        EXPECT_PRED3(near, colourAt(*image, 4, 4), expected, 2);
        EXPECT_TRUE(!image->colourSpace() || image->colourSpace()->isSRGB());

        image = converted(path, specFor(OutputFormat::png()));
        EXPECT_PRED3(near, colourAt(*image, 4, 4), (std::array<int, 4>{200, 100, 50, 255}), 0);
        ASSERT_TRUE(image->colourSpace());
        EXPECT_FALSE(image->colourSpace()->isSRGB());
        EXPECT_EQ(image->colourSpace()->model(), platform::ColourModel::rgb);

        // A format that cannot carry the profile gets sRGB even when colour is preserved.
        EXPECT_PRED3(near, colourAt(*converted(path, specFor(OutputFormat::bmp())), 4, 4), expected, 2);
    }

    // Pure cyan ink, no profile: the reader's CMYK, read as the system reads untagged CMYK.
    Picture cyan = filled(8, 8, {255, 0, 0, 0});
    cyan.cmyk = true;
    const auto path = folder.write("cyan.jpg", encode(cyan, ".jpg[Q=95]"));
    const auto pixel = colourAt(*converted(path, specFor(OutputFormat::bmp())), 4, 4);
    EXPECT_TRUE(pixel[0] < 100 && pixel[1] > 120 && pixel[2] > 180) << testing::PrintToString(pixel);
}

TEST_F(ConversionPixels, JPEGIsDrawnForFromCMYKAndDeepSourcesWithTheirColourKept) {
    // The JPEG encoder reads opaque 8-bit grey and RGB alone: with colour kept, CMYK becomes
    // sRGB, deep RGB stays in its own space and deep grey stays grey.
    auto spec = specFor(OutputFormat::jpeg());
    spec.quality = QualityMode::quality(95);
    const auto written = [&](const std::string& name, const platform::Bytes& source) {
        const auto path = folder.write(name, source);
        const auto decoded = standardEngine().decoders().decoder(path)->decode(path, 1);
        EXPECT_FALSE(ColourStage::isTakenAsItIs(EncoderIntake::opaqueGreyOrRGB8, *decoded.asRaster()->image)) << name;
        return *convert(path, spec).data;
    };

    // Pure cyan ink in a profile of its own, which the reader keeps as CMYK.
    Picture cyan = filled(8, 8, {255, 0, 0, 0});
    cyan.cmyk = true;
    const auto inkProfile = testing_support::readFile("/usr/share/color/icc/ghostscript/default_cmyk.icc");
    const auto jpeg = written("cyan.jpg", encode(cyan, ".jpg[Q=95]", 1, inkProfile));
    auto inspected = testing_support::inspectJpeg(jpeg);
    EXPECT_EQ(inspected.components.size(), 3u);
    EXPECT_EQ(inspected.icc, platform::ColourSpace::sRGB()->iccData());
    const auto pixels = testing_support::decodeJpeg(jpeg).pixels;
    EXPECT_TRUE(pixels[0] < 100 && pixels[1] > 120 && pixels[2] > 180) << int(pixels[0]) << " " << int(pixels[1]);

    testing_support::SampleImage deep;
    deep.sixteenBit = true;
    deep.icc = testing_support::displayP3()->iccData();
    inspected = testing_support::inspectJpeg(written("deep.png", *testing_support::encodeSample(deep, ".png")));
    EXPECT_EQ(inspected.components.size(), 3u);
    EXPECT_EQ(inspected.icc, *deep.icc);

    deep.bands = 1;
    deep.icc.reset();
    const auto grey = written("deep-grey.png", *testing_support::encodeSample(deep, ".png"));
    EXPECT_EQ(testing_support::inspectJpeg(grey).components.size(), 1u);
}

TEST_F(ConversionPixels, GreyscaleIsOneChannelWhereTheEncoderWritesItAndKeepsAlphaOtherwise) {
    const auto path = folder.write("quadrants.png", encode(quadrants(32, 32), ".png"));
    auto spec = specFor(OutputFormat::png());
    spec.adjustments.greyscale = true;
    auto image = converted(path, spec);
    EXPECT_EQ(image->colourComponents(), 1);
    // Rec. 709 weights: blue darkest, then red, then green, white brightest.
    const auto grey = [&](std::int64_t x, std::int64_t y) { return colourAt(*image, x, y)[0]; };
    EXPECT_LT(grey(8, 24), grey(8, 8));
    EXPECT_LT(grey(8, 8), grey(24, 8));
    EXPECT_LT(grey(24, 8), grey(24, 24));

    const auto withAlpha = folder.write("half.png", encode(halfTransparent(32, 16), ".png"));
    image = converted(withAlpha, spec);
    const auto pixel = colourAt(*image, 4, 8);
    EXPECT_TRUE(image->hasAlphaChannel());
    EXPECT_EQ(pixel[0], pixel[1]);
    EXPECT_EQ(pixel[1], pixel[2]);
    EXPECT_NEAR(pixel[3], 128, 1);
}

TEST_F(ConversionPixels, IconFilesHoldEveryLadderSizeTheSourceFills) {
    const auto path = folder.write("icon.png", encode(quadrants(64, 48), ".png"));

    auto result = convert(path, specFor(OutputFormat::ico()));
    EXPECT_EQ(result.warnings, std::vector{ConversionWarning::iconLadderTrimmed(3, 4)});
    const auto image = decodedOutput(result, folder, {48, 48});
    // 48 by 36, centred: six transparent rows above and below.
    EXPECT_EQ(colourAt(*image, 24, 2)[3], 0);
    EXPECT_EQ(colourAt(*image, 24, 45)[3], 0);
    EXPECT_PRED3(near, colourAt(*image, 12, 14), red, 16);
    EXPECT_PRED3(near, colourAt(*image, 36, 33), white, 16);

    if (standardEngine().encoders().hasEncoder(OutputFormat::icns())) {
        result = convert(path, specFor(OutputFormat::icns()));
        EXPECT_EQ(result.warnings, std::vector{ConversionWarning::iconLadderTrimmed(3, 7)});
        EXPECT_EQ(result.pixelSize, (platform::Size{64, 64}));
        ASSERT_GE(result.data->size(), 8u);
        EXPECT_EQ(std::string(result.data->begin(), result.data->begin() + 4), "icns");
    }

    const auto tiny = folder.write("tiny.png", encode(quadrants(10, 10), ".png"));
    EXPECT_EQ(testing_support::thrownBy([&] { convert(tiny, specFor(OutputFormat::ico())); }),
              ConversionError::sourceTooSmallForIcon(16));
}

TEST_F(ConversionPixels, SizingResamplesToTheExactSizeAndNeverEnlargesPixels) {
    const auto path = folder.write("q.png", encode(quadrants(100, 60), ".png"));
    auto spec = specFor(OutputFormat::png());
    spec.sizing = ResizeSpec::fit(33, std::nullopt);
    auto result = convert(path, spec);
    expectCorners(*decodedOutput(result, folder, {33, 20}), {red, green, blue, white}, 4);

    spec.sizing = ResizeSpec::scale(2);
    spec.namePattern = "{name}@{scale}x";
    result = convert(path, spec);
    EXPECT_EQ(std::tuple(result.pixelSize, result.suggestedFileName), std::tuple(platform::Size{100, 60}, "q@x.png"));
    EXPECT_EQ(result.warnings, std::vector{ConversionWarning::upscaleClamped()});

    spec.sizing = ResizeSpec::scale(0.5);
    result = convert(path, spec);
    EXPECT_EQ(result.pixelSize, (platform::Size{50, 30}));
    EXPECT_EQ(result.suggestedFileName, "q@0.5x.png");
}

} // namespace
