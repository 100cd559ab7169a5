#include "app-options/OptionsTesting.h"
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/batch/BatchItem.h"
#include "app/options/FilenameSubject.h"
#include "support/EncodedSamples.h"
#include "support/ExifSamples.h"
#include "support/JPEGSamples.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace {

using namespace pictavo;

using options_testing::standardEngine;

OutputSpec specWith(const std::function<void(OutputSpec&)>& edit) {
    OutputSpec spec = SettingsStore::builtInDefaultSpec();
    edit(spec);
    return spec;
}

TEST(FilenameSubject, TheExampleIsAJPEGPhotoOfThreeThousandByTwoThousand) {
    // Same as source previews as the JPEG it would give.
    EXPECT_EQ(FilenameSubject::example(standardEngine(), SettingsStore::builtInDefaultSpec()),
              (FilenameSubject{"photo.jpg", OutputFormat::jpeg(), {3000, 2000}, std::nullopt, std::nullopt, true}));
    EXPECT_EQ(FilenameSubject::example(standardEngine(), specWith([](OutputSpec& spec) {
                  spec.adjustments.reorientation = Reorientation(1);
                  spec.format = OutputFormat::webp();
                  spec.quality = QualityMode::quality(72);
              })),
              (FilenameSubject{"photo.jpg", OutputFormat::webp(), {2000, 3000}, std::nullopt, 72, true}));
    // A percentage is no scale, and a target size holds no quality number.
    EXPECT_EQ(FilenameSubject::example(standardEngine(), specWith([](OutputSpec& spec) {
                  spec.sizing = ResizeSpec::percentage(0.5);
                  spec.quality = QualityMode::targetBytes(500'000);
              })),
              (FilenameSubject{"photo.jpg", OutputFormat::jpeg(), {1500, 1000}, std::nullopt, std::nullopt, true}));
    // The photo is never enlarged.
    EXPECT_EQ(FilenameSubject::example(standardEngine(),
                                       specWith([](OutputSpec& spec) { spec.sizing = ResizeSpec::scale(2.0); })),
              (FilenameSubject{"photo.jpg", OutputFormat::jpeg(), {3000, 2000}, 2.0, std::nullopt, true}));
}

TEST(FilenameSubject, ThePreviewIsTheNameAnExportWrites) {
    const FilenameSubject example = FilenameSubject::example(standardEngine(), specWith([](OutputSpec& spec) {
        spec.format = OutputFormat::png();
        spec.sizing = ResizeSpec::longestEdge(1500);
    }));
    EXPECT_EQ(example.preview("{name}-{w}x{h}.{format}"), QStringLiteral("For example, photo.jpg \u2192 photo-1500x1000.png"));
    EXPECT_EQ(example.preview(""), QStringLiteral("For example, photo.jpg \u2192 photo.png")) << "an empty pattern still names";
    EXPECT_EQ(example.preview("{name}@{scale}x"), QStringLiteral("For example, photo.jpg \u2192 photo@x.png"));
    EXPECT_EQ(example.preview("a/b:c"), QStringLiteral("For example, photo.jpg \u2192 a-b-c.png"));

    FilenameSubject card = example;
    card.isExample = false;
    card.sourceName = "Holiday.HEIC";
    card.quality = 64;
    card.scale = 1.5;
    EXPECT_EQ(card.preview("{name} q{quality} {scale}x"), QStringLiteral("Holiday.HEIC \u2192 Holiday q64 1.5x.png"));
}

// A photo stored on its side, 40 by 30, that its orientation stands upright.
BatchItem sidewaysCard(const testing_support::TemporaryFolder& folder) {
    testing_support::SampleImage sideways;
    sideways.width = 40;
    sideways.height = 30;
    sideways.orientation = 6;
    sideways.exif = testing_support::exifBlock(false, 6);
    BatchItem card;
    card.url = folder.write("sideways.jpg", *testing_support::encodeSample(sideways, ".jpg"));
    return card;
}

TEST(FilenameSubject, ACardIsNamedFromItsFileUprightAndTurned) {
    testing_support::TemporaryFolder folder;
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard());
    const BatchItem card = sidewaysCard(folder);
    const OutputSpec original = SettingsStore::builtInDefaultSpec();
    EXPECT_EQ(FilenameSubject::ofCard(engine, card, original),
              (FilenameSubject{"sideways.jpg", OutputFormat::jpeg(), {30, 40}, std::nullopt, std::nullopt, false}));
    // A raster card is never enlarged.
    EXPECT_EQ(FilenameSubject::ofCard(engine, card, specWith([](OutputSpec& spec) {
                  spec.adjustments.reorientation = Reorientation(1);
                  spec.sizing = ResizeSpec::scale(2.0);
              })),
              (FilenameSubject{"sideways.jpg", OutputFormat::jpeg(), {40, 30}, 2.0, std::nullopt, false}));

    BatchItem gone;
    gone.url = folder.file("missing.png");
    EXPECT_EQ(FilenameSubject::ofCard(engine, gone, original), std::nullopt);
    BatchItem unreadable;
    unreadable.url = folder.write("notes.png", testing_support::bytesOf("not an image"));
    EXPECT_EQ(FilenameSubject::ofCard(engine, unreadable, original), std::nullopt);
}

TEST(FilenameSubject, ADrawingCardGrowsToTheSizeAskedFor) {
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard());
    if (!engine.decoders().readableTypes().count(platform::ContentType::svg())) {
        GTEST_SKIP() << "no decoder reads SVG here";
    }
    testing_support::TemporaryFolder folder;
    BatchItem drawing;
    drawing.url = folder.write("mark.svg", testing_support::bytesOf(
                                               "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='10'>"
                                               "<rect width='20' height='10' fill='red'/></svg>"));
    const auto grown = FilenameSubject::ofCard(engine, drawing, specWith([](OutputSpec& spec) {
        spec.sizing = ResizeSpec::scale(3.0);
        spec.format = OutputFormat::png();
    }));
    ASSERT_TRUE(grown);
    EXPECT_EQ(grown->pixelSize, (platform::Size{60, 30}));
}

// The preview is asked for on the interface thread, each time the options are shown: it is
// made from the header admission read, never from the file, which may be a panorama.
TEST(FilenameSubject, ACardIsNamedFromTheHeaderAdmissionReadWithoutReadingItsFile) {
    testing_support::TemporaryFolder folder;
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard());
    BatchItem card = sidewaysCard(folder);
    card.header = FailureDetails::Source::fromProperties(engine.properties(card.url));
    std::filesystem::remove(card.url);
    EXPECT_EQ(FilenameSubject::ofCard(engine, card, SettingsStore::builtInDefaultSpec()),
              (FilenameSubject{"sideways.jpg", OutputFormat::jpeg(), {30, 40}, std::nullopt, std::nullopt, false}));

    if (!engine.decoders().readableTypes().count(platform::ContentType::svg())) return;
    BatchItem drawing;
    drawing.url = folder.write("mark.svg", testing_support::bytesOf(
                                               "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='10'/>"));
    drawing.header = FailureDetails::Source::fromProperties(engine.properties(drawing.url));
    std::filesystem::remove(drawing.url);
    const auto grown = FilenameSubject::ofCard(engine, drawing, specWith([](OutputSpec& spec) {
        spec.sizing = ResizeSpec::scale(3.0);
        spec.format = OutputFormat::png();
    }));
    ASSERT_TRUE(grown) << "a drawing's card is named from its header too";
    EXPECT_EQ(grown->pixelSize, (platform::Size{60, 30}));
}

} // namespace
