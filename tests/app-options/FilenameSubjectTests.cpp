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

OutputSpec specWith(const std::function<void(OutputSpec&)>& edit) {
    OutputSpec spec = SettingsStore::builtInDefaultSpec();
    edit(spec);
    return spec;
}

TEST(FilenameSubject, TheExampleIsAJPEGPhotoOfThreeThousandByTwoThousand) {
    const FilenameSubject plain = FilenameSubject::example(SettingsStore::builtInDefaultSpec());
    EXPECT_EQ(plain.sourceName, "photo.jpg");
    EXPECT_EQ(plain.format, OutputFormat::jpeg()) << "Same as source previews as the JPEG it would give";
    EXPECT_EQ(plain.pixelSize, (platform::Size{3000, 2000}));
    EXPECT_EQ(plain.scale, std::nullopt);
    EXPECT_EQ(plain.quality, std::nullopt);
    EXPECT_TRUE(plain.isExample);

    const FilenameSubject turned = FilenameSubject::example(specWith([](OutputSpec& spec) {
        spec.adjustments.reorientation = Reorientation(1);
        spec.format = OutputFormat::webp();
        spec.quality = QualityMode::quality(72);
    }));
    EXPECT_EQ(turned.pixelSize, (platform::Size{2000, 3000}));
    EXPECT_EQ(turned.format, OutputFormat::webp());
    EXPECT_EQ(turned.quality, 72);

    const FilenameSubject halved = FilenameSubject::example(specWith([](OutputSpec& spec) {
        spec.sizing = ResizeSpec::percentage(0.5);
        spec.quality = QualityMode::targetBytes(500'000);
    }));
    EXPECT_EQ(halved.pixelSize, (platform::Size{1500, 1000}));
    EXPECT_EQ(halved.scale, std::nullopt) << "a percentage is no scale";
    EXPECT_EQ(halved.quality, std::nullopt);

    const FilenameSubject doubled =
        FilenameSubject::example(specWith([](OutputSpec& spec) { spec.sizing = ResizeSpec::scale(2.0); }));
    EXPECT_EQ(doubled.pixelSize, (platform::Size{3000, 2000})) << "the photo is never enlarged";
    EXPECT_EQ(doubled.scale, 2.0);
}

TEST(FilenameSubject, ThePreviewIsTheNameAnExportWrites) {
    const FilenameSubject example = FilenameSubject::example(specWith([](OutputSpec& spec) {
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

TEST(FilenameSubject, ACardIsNamedFromItsFileUprightAndTurned) {
    testing_support::TemporaryFolder folder;
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard());
    // A photo stored on its side, 40 by 30, that its orientation stands upright.
    testing_support::SampleImage sideways;
    sideways.width = 40;
    sideways.height = 30;
    sideways.orientation = 6;
    sideways.exif = testing_support::exifBlock(false, 6);
    BatchItem card;
    card.url = folder.write("sideways.jpg", *testing_support::encodeSample(sideways, ".jpg"));
    const OutputSpec original = SettingsStore::builtInDefaultSpec();
    const std::optional<FilenameSubject> upright = FilenameSubject::ofCard(engine, card, original);
    ASSERT_TRUE(upright);
    EXPECT_EQ(upright->sourceName, "sideways.jpg");
    EXPECT_EQ(upright->pixelSize, (platform::Size{30, 40}));
    EXPECT_EQ(upright->format, OutputFormat::jpeg());
    EXPECT_FALSE(upright->isExample);
    EXPECT_EQ(upright->preview("{name}-{w}"), QStringLiteral("sideways.jpg \u2192 sideways-30.jpg"));

    const auto turned = FilenameSubject::ofCard(engine, card, specWith([](OutputSpec& spec) {
        spec.adjustments.reorientation = Reorientation(1);
        spec.sizing = ResizeSpec::scale(2.0);
    }));
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->pixelSize, (platform::Size{40, 30})) << "a raster card is never enlarged";
    EXPECT_EQ(turned->scale, 2.0);

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

} // namespace
