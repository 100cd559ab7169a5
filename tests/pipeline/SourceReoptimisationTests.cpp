#include "ConversionTesting.h"
#include "SourceImages.h"

#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "platform/files/FilePath.h"
#include "support/ConversionErrorCapture.h"
#include "support/EncodedSamples.h"

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;
using testing_support::thrownBy;

ConversionEngine engineWith(std::shared_ptr<const SourceOptimiser> optimiser) {
    return ConversionEngine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                            SourceOptimiserRegistry({std::move(optimiser)}));
}

TEST(SourceReoptimisation, AJPEGKeptAsItIsGoesThroughItsOptimiserWithoutDecoding) {
    TemporaryFolder folder;
    const auto path = folder.write("photo.jpg", encode(gradient(64, 48), ".jpg[Q=90,optimize_coding=false]"));
    const platform::Bytes source = platform::readWholeFile(path);
    const auto& engine = standardEngine();
    ASSERT_TRUE(engine.optimisers().optimiser(OutputFormat::jpeg()));

    const auto result = engine.convert(path, specFor(OutputFormat::sameAsSource()), 1, EncodeEffort::final);
    EXPECT_EQ(result.format, OutputFormat::jpeg());
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_LE(result.byteCount(), static_cast<std::int64_t>(source.size()));
    EXPECT_EQ(result.pixelSize, (platform::Size{64, 48}));
    EXPECT_EQ(result.sourceByteCount, static_cast<std::int64_t>(source.size()));
    EXPECT_EQ(result.suggestedFileName, "photo.jpg");
}

TEST(SourceReoptimisation, AStrippedJPEGIsTurnedUprightAndReportsItsUprightSize) {
    TemporaryFolder folder;
    const Picture upright = quadrants(64, 48);
    const auto path = folder.write("turned.jpg", encode(storedFor(upright, 6), ".jpg[Q=95]", 6));
    auto spec = specFor(OutputFormat::jpeg());
    spec.metadata = MetadataPolicy::strip;
    const auto result = standardEngine().convert(path, spec, 1, EncodeEffort::final);
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(result.pixelSize, (platform::Size{64, 48}));
    const auto written = folder.write("written.jpg", *result.data);
    EXPECT_EQ(standardEngine().properties(written).orientation, 1u);
    const auto image = decodedOutput(result, folder);
    ASSERT_EQ(image->width(), 64);
    EXPECT_GT(colourAt(*image, 16, 12)[0], 200);
    EXPECT_GT(colourAt(*image, 48, 12)[1], 200);
}

TEST(SourceReoptimisation, KeptMetadataTakesTheOptimisersBytesOnlyWhenStrictlySmaller) {
    TemporaryFolder folder;
    const auto path = folder.write("p.png", encode(gradient(20, 10), ".png"));
    const platform::Bytes source = platform::readWholeFile(path);
    const auto spec = specFor(OutputFormat::png());

    auto shrinking = engineWith(std::make_shared<ResizingOptimiser>(OutputFormat::png(), bothPolicies, -3));
    EXPECT_EQ(shrinking.convert(path, spec, 1, EncodeEffort::final).byteCount(),
              static_cast<std::int64_t>(source.size()) - 3);
    for (std::ptrdiff_t change : {0, 5}) {
        auto engine = engineWith(std::make_shared<ResizingOptimiser>(OutputFormat::png(), bothPolicies, change));
        EXPECT_EQ(*engine.convert(path, spec, 1, EncodeEffort::final).data, source);
    }
    // A stripped file is the optimiser's, even when it grew.
    auto growing = engineWith(std::make_shared<ResizingOptimiser>(OutputFormat::png(), bothPolicies, 5));
    auto stripping = spec;
    stripping.metadata = MetadataPolicy::strip;
    EXPECT_EQ(growing.convert(path, stripping, 1, EncodeEffort::final).byteCount(),
              static_cast<std::int64_t>(source.size()) + 5);
}

TEST(SourceReoptimisation, AnOptimiserThatFailsKeepsTheSourceOrReencodesOrRefuses) {
    TemporaryFolder folder;
    const auto png = folder.write("p.png", encode(gradient(20, 10), ".png"));
    const platform::Bytes source = platform::readWholeFile(png);
    auto failingPNG = engineWith(std::make_shared<ResizingOptimiser>(OutputFormat::png(), bothPolicies, std::nullopt));

    auto result = failingPNG.convert(png, specFor(OutputFormat::png()), 1, EncodeEffort::final);
    EXPECT_EQ(*result.data, source);
    EXPECT_TRUE(result.warnings.empty());

    auto stripping = specFor(OutputFormat::png());
    stripping.metadata = MetadataPolicy::strip;
    result = failingPNG.convert(png, stripping, 1, EncodeEffort::final);
    EXPECT_NE(*result.data, source);
    EXPECT_EQ(decodedOutput(result, folder)->width(), 20);

    // A format written only by keeping its sources' bytes.
    const auto ppm = folder.write("p.ppm", *testing_support::encodeSample({}, ".ppm"));
    const OutputFormat ppmFormat(*standardEngine().properties(ppm).sourceUTType);
    auto failingPPM = engineWith(std::make_shared<ResizingOptimiser>(ppmFormat, bothPolicies, std::nullopt));
    stripping.format = ppmFormat;
    EXPECT_EQ(thrownBy([&] { failingPPM.convert(ppm, stripping, 1, EncodeEffort::final); }),
              ConversionError::metadataNotRemovable(ppmFormat));
    auto resized = specFor(ppmFormat);
    resized.sizing = ResizeSpec::percentage(0.5);
    EXPECT_EQ(thrownBy([&] { failingPPM.convert(ppm, resized, 1, EncodeEffort::final); }),
              ConversionError::formatNeedsAMatchingSource(ppmFormat));
}

TEST(SourceReoptimisation, AFormatKeptOnlyByItsOptimiserIsWritableOnlyWhenItMayBeKept) {
    TemporaryFolder folder;
    const auto ppm = folder.write("p.ppm", *testing_support::encodeSample({}, ".ppm"));
    const auto properties = standardEngine().properties(ppm);
    const OutputFormat ppmFormat(*properties.sourceUTType);
    auto keeping = engineWith(std::make_shared<ResizingOptimiser>(ppmFormat, std::set{MetadataPolicy::keepAll}, 0));

    auto spec = specFor(OutputFormat::sameAsSource());
    EXPECT_TRUE(keeping.writableIdentifiers(properties, spec, 1).count(ppmFormat.id()));
    EXPECT_EQ(keeping.resolvedFormat(ppm, spec, 1), ppmFormat);
    const auto result = keeping.convert(ppm, spec, 1, EncodeEffort::final);
    EXPECT_EQ(result.format, ppmFormat);
    EXPECT_TRUE(result.warnings.empty());

    spec.metadata = MetadataPolicy::strip;
    EXPECT_FALSE(keeping.writableIdentifiers(properties, spec, 1).count(ppmFormat.id()));
    EXPECT_FALSE(keeping.writableIdentifiers(properties, specFor(OutputFormat::sameAsSource()), 2).count(ppmFormat.id()));
    EXPECT_EQ(keeping.resolvedFormat(ppm, spec, 1), OutputFormat::jpeg());
}

} // namespace
