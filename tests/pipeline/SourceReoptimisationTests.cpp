#include "ConversionTesting.h"
#include "SourceImages.h"

#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "platform/files/FilePath.h"
#include "support/ConversionErrorCapture.h"
#include "support/EncodedSamples.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;
using testing_support::thrownBy;

ConversionEngine engineWith(const OutputFormat& format, std::optional<std::ptrdiff_t> change,
                            std::set<MetadataPolicy> policies = bothPolicies) {
    return ConversionEngine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                            SourceOptimiserRegistry({std::make_shared<ResizingOptimiser>(format, policies, change)}));
}

OutputSpec stripping(const OutputFormat& format) {
    auto spec = specFor(format);
    spec.metadata = MetadataPolicy::strip;
    return spec;
}

class SourceReoptimisation : public testing::Test {
protected:
    TemporaryFolder folder;
    platform::Bytes source;
};

TEST_F(SourceReoptimisation, AJPEGKeptAsItIsGoesThroughItsOptimiserWithoutDecoding) {
    const auto path = folder.write("photo.jpg", encode(gradient(64, 48), ".jpg[Q=90,optimize_coding=false]"));
    source = platform::readWholeFile(path);
    const auto& engine = standardEngine();
    ASSERT_TRUE(engine.optimisers().optimiser(OutputFormat::jpeg()));

    const auto result = engine.convert(path, specFor(OutputFormat::sameAsSource()), 1, EncodeEffort::final);
    EXPECT_LE(result.byteCount(), static_cast<std::int64_t>(source.size()));
    EXPECT_EQ(std::tuple(result.format, result.warnings.empty(), result.pixelSize, result.sourceByteCount, result.suggestedFileName),
              std::tuple(OutputFormat::jpeg(), true, platform::Size{64, 48}, static_cast<std::int64_t>(source.size()), "photo.jpg"));
}

// A JPEG rewritten losslessly is admitted by the memory every conversion is admitted by: with
// too little free it waits for the others and is then still rewritten, not re-encoded; with
// less than it needs in all, a source whose metadata is kept stays as it is.
TEST_F(SourceReoptimisation, AJPEGRewriteWaitsForMemoryLikeAnyConversionAndIsNeverMadeLossy) {
    const auto path = folder.write("photo.jpg", encode(gradient(512, 512), ".jpg[Q=90]"));
    source = platform::readWholeFile(path);
    // Its coefficients alone take 512 x 512 x 3 components x 2 bytes, 1.5 MB.
    const auto memory = std::make_shared<PixelMemory>(4'000'000);
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard(), memory);
    const auto spec = stripping(OutputFormat::jpeg());
    const auto rewrite = engine.optimisers().optimiser(OutputFormat::jpeg())->optimise(source, MetadataPolicy::strip, 1);

    auto other = PixelMemory::tryHold(memory, 3'500'000);
    auto conversion = std::async(std::launch::async, [&] { return engine.convert(path, spec, 1, EncodeEffort::final); });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (memory->waiting() == 0 && conversion.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready &&
           std::chrono::steady_clock::now() < giveUp) {
    }
    EXPECT_EQ(memory->waiting(), 1) << "the rewrite should wait for the memory another conversion holds";
    other.reset();
    const auto result = conversion.get();
    EXPECT_EQ(*result.data, rewrite);
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(memory->heldBytes(), 0u);

    const ConversionEngine small(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                 SourceOptimiserRegistry::standard(), std::make_shared<PixelMemory>(1'000'000));
    EXPECT_EQ(*small.convert(path, specFor(OutputFormat::jpeg()), 1, EncodeEffort::final).data, source);
}

TEST_F(SourceReoptimisation, AStrippedJPEGIsTurnedUprightAndReportsItsUprightSize) {
    const auto path = folder.write("turned.jpg", encode(storedFor(quadrants(64, 48), 6), ".jpg[Q=95]", 6));
    const auto result = standardEngine().convert(path, stripping(OutputFormat::jpeg()), 1, EncodeEffort::final);
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(standardEngine().properties(folder.write("written.jpg", *result.data)).orientation, 1u);
    const auto image = decodedOutput(result, folder, {64, 48});
    EXPECT_GT(colourAt(*image, 16, 12)[0], 200);
    EXPECT_GT(colourAt(*image, 48, 12)[1], 200);
}

TEST_F(SourceReoptimisation, KeptMetadataTakesTheOptimisersBytesOnlyWhenStrictlySmallerAndAFailingOneKeepsOrReencodes) {
    const auto path = folder.write("p.png", encode(gradient(20, 10), ".png"));
    source = platform::readWholeFile(path);
    const auto spec = specFor(OutputFormat::png());
    EXPECT_EQ(engineWith(OutputFormat::png(), -3).convert(path, spec, 1, EncodeEffort::final).byteCount(),
              static_cast<std::int64_t>(source.size()) - 3);
    for (std::ptrdiff_t change : {0, 5})
        EXPECT_EQ(*engineWith(OutputFormat::png(), change).convert(path, spec, 1, EncodeEffort::final).data, source);
    // A stripped file is the optimiser's, even when it grew.
    auto growing = engineWith(OutputFormat::png(), 5);
    EXPECT_EQ(growing.convert(path, stripping(OutputFormat::png()), 1, EncodeEffort::final).byteCount(),
              static_cast<std::int64_t>(source.size()) + 5);

    auto failing = engineWith(OutputFormat::png(), std::nullopt);
    auto result = failing.convert(path, spec, 1, EncodeEffort::final);
    EXPECT_EQ(*result.data, source);
    EXPECT_TRUE(result.warnings.empty());
    result = failing.convert(path, stripping(OutputFormat::png()), 1, EncodeEffort::final);
    EXPECT_NE(*result.data, source);
    EXPECT_EQ(decodedOutput(result, folder)->width(), 20);
}

// A format written only by keeping its sources' bytes.
TEST_F(SourceReoptimisation, AFormatKeptOnlyByItsOptimiserIsWritableOnlyWhenItMayBeKeptAndRefusedWhenItCannotBe) {
    const auto ppm = folder.write("p.ppm", *testing_support::encodeSample({}, ".ppm"));
    const auto properties = standardEngine().properties(ppm);
    const OutputFormat ppmFormat(*properties.sourceUTType);
    auto failingPPM = engineWith(ppmFormat, std::nullopt);
    EXPECT_EQ(thrownBy([&] { failingPPM.convert(ppm, stripping(ppmFormat), 1, EncodeEffort::final); }),
              ConversionError::metadataNotRemovable(ppmFormat));
    auto resized = specFor(ppmFormat);
    resized.sizing = ResizeSpec::percentage(0.5);
    EXPECT_EQ(thrownBy([&] { failingPPM.convert(ppm, resized, 1, EncodeEffort::final); }),
              ConversionError::formatNeedsAMatchingSource(ppmFormat));

    auto keeping = engineWith(ppmFormat, 0, {MetadataPolicy::keepAll});

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

// The lossless JPEG rewrite cannot turn a 100 x 75 picture in 4:2:0 a quarter without moving
// its partial blocks; where nothing else writes JPEG the failure says so.
TEST_F(SourceReoptimisation, AnOptimisersFailureThatEndsTheConversionCarriesItsWords) {
    const auto turned = folder.write("turned.jpg", encode(gradient(100, 75), ".jpg[Q=80]", 6));
    const ConversionEngine keepingOnly(DecoderRegistry::standard(), EncoderRegistry({}),
                                       SourceOptimiserRegistry::standard());
    const auto error = thrownBy([&] { keepingOnly.convert(turned, stripping(OutputFormat::jpeg()), 1, EncodeEffort::final); });
    EXPECT_EQ(error, ConversionError::metadataNotRemovable(OutputFormat::jpeg()));
    EXPECT_EQ(error.diagnostic(),
              "metadataNotRemovable(public.jpeg) because libjpeg: this turn cannot be made without moving the block padding");
    // With a JPEG encoder the same file is decoded and re-encoded instead.
    EXPECT_EQ(standardEngine().convert(turned, stripping(OutputFormat::jpeg()), 1, EncodeEffort::final).pixelSize,
              (platform::Size{75, 100}));
}

} // namespace
