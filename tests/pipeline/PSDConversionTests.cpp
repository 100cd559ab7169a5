#include "ConversionTesting.h"

#include "ImageEngine/Model/ConversionError.h"
#include "platform/read/ImageReader.h"
#include "support/ConversionErrorCapture.h"
#include "support/ExifSamples.h"
#include "support/PSDSamples.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::PSDSample;
using testing_support::TemporaryFolder;

constexpr int width = 6;
constexpr int height = 4;

// Blue, with a red top-left pixel as stored.
PSDSample markedCorner() {
    PSDSample sample;
    sample.width = width;
    sample.height = height;
    sample.packBits = true;
    platform::Bytes red(width * height, 0), blue(width * height, 255);
    red[0] = 255;
    blue[0] = 0;
    sample.channels = {red, platform::Bytes(width * height, 0), blue};
    return sample;
}

ConversionResult convert(const std::filesystem::path& path, const OutputSpec& spec) {
    return standardEngine().convert(path, spec, 1, EncodeEffort::final);
}

TEST(PSDConversion, APhotoshopFileIsTurnedUprightAndKeepsItsColoursInEveryFormat) {
    const TemporaryFolder folder;
    auto sample = markedCorner();
    sample.resources = {{1058, testing_support::exifBlock(false, 6)}, {1039, testing_support::displayP3()->iccData()}};
    const auto path = folder.write("turned.psd", testing_support::psdFile(sample));
    ASSERT_EQ(standardEngine().properties(path).orientation, 6u);
    EXPECT_EQ(standardEngine().properties(path).colourSpaceName, testing_support::displayP3()->description());

    for (const auto& format : {OutputFormat::png(), OutputFormat::jpeg(), OutputFormat::tiff(), OutputFormat::webp()}) {
        SCOPED_TRACE(format.id());
        auto spec = specFor(format);
        spec.colour = ColourPolicy::convertToSRGB;
        const auto image = decodedOutput(convert(path, spec), folder, platform::Size{height, width});
        // A quarter turn to the right puts the stored top-left pixel top right.
        EXPECT_PRED3(near, colourAt(*image, height - 1, 0), (std::array<int, 4>{255, 0, 0, 255}), 40);
        // Display P3's blue is deeper than sRGB's, so it arrives clipped to sRGB's own.
        EXPECT_PRED3(near, colourAt(*image, 0, height), (std::array<int, 4>{0, 0, 255, 255}), 40);
    }
    // Photoshop files are read, not written: "Same as source" falls back and says so.
    const auto same = convert(path, specFor(OutputFormat::sameAsSource()));
    EXPECT_EQ(same.format, OutputFormat::jpeg());
    EXPECT_EQ(same.warnings, std::vector{ConversionWarning::formatFellBack(OutputFormat::jpeg(), "PSD")});

    // Kept colour keeps the file's profile.
    const auto kept = decodedOutput(convert(path, specFor(OutputFormat::png())), folder);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->colourSpace()->description(), testing_support::displayP3()->description());
}

TEST(PSDConversion, CMYKAndLabFilesArriveInSRGBAndTransparencyIsFlattenedWhereTheFormatKeepsNone) {
    const TemporaryFolder folder;
    PSDSample cmyk;
    cmyk.width = 2;
    cmyk.height = 1;
    cmyk.mode = 4;
    cmyk.channels = {{0, 255}, {255, 255}, {255, 255}, {255, 255}}; // full cyan, then paper
    const auto cmykPath = folder.write("press.psd", testing_support::psdFile(cmyk));
    PSDSample lab = cmyk;
    lab.mode = 9;
    lab.channels = {{138, 255}, {208, 128}, {188, 128}}; // a strong red, then white
    const auto labPath = folder.write("lab.psd", testing_support::psdFile(lab));
    PSDSample clear = markedCorner();
    clear.layerCount = -1;
    clear.channels.push_back(platform::Bytes(width * height, 0));
    const auto clearPath = folder.write("clear.psd", testing_support::psdFile(clear));

    // CMYK in a profile of its own, with transparency, stays CMYK until the output's colour is made.
    PSDSample tagged = cmyk;
    tagged.layerCount = -1;
    tagged.channels.push_back({255, 0});
    std::ifstream profile("/usr/share/color/icc/ghostscript/default_cmyk.icc", std::ios::binary);
    if (profile) tagged.resources = {{1039, platform::Bytes(std::istreambuf_iterator<char>(profile), {})}};
    const auto taggedPath = folder.write("tagged.psd", testing_support::psdFile(tagged));

    for (const auto& format : {OutputFormat::png(), OutputFormat::jpeg()}) {
        SCOPED_TRACE(format.id());
        auto spec = specFor(format);
        spec.colour = ColourPolicy::convertToSRGB;
        auto image = decodedOutput(convert(taggedPath, spec), folder);
        ASSERT_TRUE(image);
        EXPECT_LT(colourAt(*image, 0, 0)[0], 60);
        EXPECT_GT(colourAt(*image, 0, 0)[2], 180);
        if (format == OutputFormat::png()) {
            EXPECT_EQ(colourAt(*image, 1, 0)[3], 0);
        }

        image = decodedOutput(convert(cmykPath, spec), folder);
        ASSERT_TRUE(image);
        const auto printed = colourAt(*image, 0, 0);
        EXPECT_LT(printed[0], 60);
        EXPECT_GT(printed[2], 180);
        EXPECT_PRED3(near, colourAt(*image, 1, 0), (std::array<int, 4>{255, 255, 255, 255}), 16);
        image = decodedOutput(convert(labPath, spec), folder);
        ASSERT_TRUE(image);
        EXPECT_GT(colourAt(*image, 0, 0)[0], 200);
        EXPECT_LT(colourAt(*image, 0, 0)[1], 60);
        EXPECT_PRED3(near, colourAt(*image, 1, 0), (std::array<int, 4>{255, 255, 255, 255}), 4);

        const auto result = convert(clearPath, spec);
        image = decodedOutput(result, folder);
        ASSERT_TRUE(image);
        if (format == OutputFormat::png()) {
            EXPECT_EQ(colourAt(*image, 3, 3)[3], 0);
        } else {
            EXPECT_EQ(result.warnings, std::vector{ConversionWarning::transparencyFlattened()});
            EXPECT_PRED3(near, colourAt(*image, 3, 3), (std::array<int, 4>{255, 255, 255, 255}), 8);
        }
    }
}

TEST(PSDConversion, DamagedLayerOnlyAndOversizedFilesFailWithTheirSentences) {
    const TemporaryFolder folder;
    const auto spec = specFor(OutputFormat::png());
    auto layersOnly = markedCorner();
    layersOnly.layerCount = 3;
    layersOnly.withoutMergedImage = true;
    auto unknownVersion = markedCorner();
    unknownVersion.version = 3;
    // Saved without its composite: Photoshop's version resource says a blank stands in its place.
    auto blankStandIn = markedCorner();
    blankStandIn.layerCount = 2;
    blankStandIn.resources = {{1057, {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}}};
    for (const auto& [name, sample] : {std::pair{"layers.psd", layersOnly}, std::pair{"future.psd", unknownVersion},
                                       std::pair{"blank.psd", blankStandIn}}) {
        const auto path = folder.write(name, testing_support::psdFile(sample));
        const auto error = testing_support::thrownBy([&] { (void)convert(path, spec); });
        EXPECT_EQ(error.errorDescription(), std::string(name) + " can't be opened. It may be damaged.");
    }
    auto cut = testing_support::psdFile(markedCorner());
    cut.resize(cut.size() - 3);
    const auto cutPath = folder.write("cut.psd", cut);
    EXPECT_EQ(testing_support::thrownBy([&] { (void)convert(cutPath, spec); }), ConversionError::decodeFailed("cut.psd"));

    auto oversized = markedCorner();
    oversized.width = 1'000'001;
    oversized.packBits = false; // the stored rows stay those of the small picture
    const auto oversizedPath = folder.write("wide.psb", testing_support::psdFile(oversized));
    EXPECT_EQ(testing_support::thrownBy([&] { (void)standardEngine().properties(oversizedPath); }),
              ConversionError::imageTooLarge(1'000'001, height));
}

} // namespace
