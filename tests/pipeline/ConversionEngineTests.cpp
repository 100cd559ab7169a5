#include "ConversionTesting.h"
#include "SourceImages.h"

#include "ImageEngine/Core/ConversionError.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "platform/Cancellation.h"
#include "platform/FilePath.h"
#include "support/EncodedSamples.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

template <typename Body>
ConversionError conversionErrorOf(Body body) {
    try {
        body();
    } catch (const ConversionError& error) {
        return error;
    }
    throw std::runtime_error("no conversion error was thrown");
}

std::filesystem::path sample(const TemporaryFolder& folder, const std::string& name, testing_support::SampleImage image,
                             const std::string& suffix) {
    auto bytes = testing_support::encodeSample(image, suffix);
    if (!bytes) throw std::runtime_error("libvips cannot write " + suffix);
    return folder.write(name, *bytes);
}

TEST(ConversionEngine, AConcreteFormatIsResolvedWithoutReadingTheFile) {
    TemporaryFolder folder;
    const auto& engine = standardEngine();
    EXPECT_EQ(engine.resolvedFormat(folder.file("missing.png"), specFor(OutputFormat::tiff()), 1), OutputFormat::tiff());

    const auto unknown = folder.write("notes.abc", {1, 2, 3});
    EXPECT_EQ(conversionErrorOf([&] { engine.resolvedFormat(unknown, specFor(OutputFormat::sameAsSource()), 1); }),
              ConversionError::unsupportedInput("This computer can't read .abc files."));

    const auto png = sample(folder, "a.png", {}, ".png");
    EXPECT_EQ(engine.resolvedFormat(png, specFor(OutputFormat::sameAsSource()), 1), OutputFormat::png());
}

TEST(ConversionEngine, ASourceInAFormatNoEncoderWritesFallsBackAndSaysSo) {
    TemporaryFolder folder;
    const auto& engine = standardEngine();
    const auto ppm = sample(folder, "a.ppm", {}, ".ppm");
    const auto properties = engine.properties(ppm);
    ASSERT_TRUE(properties.sourceUTType);
    ASSERT_FALSE(engine.encoders().hasEncoder(OutputFormat(*properties.sourceUTType)));

    const auto spec = specFor(OutputFormat::sameAsSource());
    EXPECT_EQ(engine.resolvedFormat(ppm, spec, 1), OutputFormat::jpeg());
    const auto result = engine.convert(ppm, spec, 1, EncodeEffort::final);
    EXPECT_EQ(result.format, OutputFormat::jpeg());
    EXPECT_EQ(result.warnings, std::vector{ConversionWarning::formatFellBack(
                                   OutputFormat::jpeg(), OutputFormat(*properties.sourceUTType).displayName())});
    EXPECT_EQ(result.suggestedFileName, "a.jpg");

    // With alpha the fall-back keeps it.
    testing_support::SampleImage withAlpha;
    withAlpha.bands = 4;
    const auto tiff = sample(folder, "b.tif", withAlpha, ".tif");
    auto keepingTIFF = engine.writableIdentifiers(engine.properties(tiff), spec, 1);
    EXPECT_TRUE(keepingTIFF.count("public.tiff"));
}

TEST(ConversionEngine, WarningsComeInTheirFixedOrder) {
    TemporaryFolder folder;
    testing_support::SampleImage animation;
    animation.width = 24;
    animation.height = 16;
    animation.bands = 4;
    animation.pages = 12;
    const auto gif = sample(folder, "moving.gif", animation, ".gif");

    auto spec = specFor(OutputFormat::jpeg());
    spec.sizing = ResizeSpec::scale(2);
    spec.quality = QualityMode::targetBytes(10);
    const auto result = standardEngine().convert(gif, spec, 1, EncodeEffort::final);
    ASSERT_EQ(result.warnings.size(), 4u);
    EXPECT_EQ(result.warnings[0], ConversionWarning::animationLost(12));
    EXPECT_EQ(result.warnings[1], ConversionWarning::upscaleClamped());
    EXPECT_EQ(result.warnings[2], ConversionWarning::transparencyFlattened());
    EXPECT_EQ(result.warnings[3], ConversionWarning::targetSizeMissed(result.byteCount()));
    EXPECT_EQ(result.pixelSize, (platform::Size{24, 16}));
}

TEST(ConversionEngine, TheTargetSizeSearchKeepsTheBestQualityThatFits) {
    TemporaryFolder folder;
    const auto path = folder.write("g.png", encode(gradient(96, 64), ".png"));
    const auto& engine = standardEngine();
    auto spec = specFor(OutputFormat::jpeg());
    spec.namePattern = "{name}-{quality}";

    spec.quality = QualityMode::quality(100);
    const auto best = engine.convert(path, spec, 1, EncodeEffort::final);
    EXPECT_EQ(best.suggestedFileName, "g-100.jpg");
    spec.quality = QualityMode::quality(1);
    const auto worst = engine.convert(path, spec, 1, EncodeEffort::final);
    ASSERT_LT(worst.byteCount(), best.byteCount());

    const std::int64_t target = (worst.byteCount() + best.byteCount()) / 2;
    spec.quality = QualityMode::targetBytes(target);
    const auto fitted = engine.convert(path, spec, 1, EncodeEffort::final);
    EXPECT_LE(fitted.byteCount(), target);
    EXPECT_TRUE(fitted.warnings.empty());
    EXPECT_NE(fitted.suggestedFileName, "g-.jpg");

    spec.quality = QualityMode::targetBytes(0);
    const auto missed = engine.convert(path, spec, 1, EncodeEffort::final);
    EXPECT_EQ(missed.warnings, std::vector{ConversionWarning::targetSizeMissed(missed.byteCount())});
    EXPECT_EQ(missed.suggestedFileName, "g-" + std::to_string(engine.encoders().encoder(OutputFormat::jpeg()).qualityRange().lowest) + ".jpg");
    EXPECT_EQ(*missed.data, *worst.data);
}

TEST(ConversionEngine, EstimatesEqualFinalConversionsWhereEveryEffortWritesTheSameFile) {
    TemporaryFolder folder;
    testing_support::SampleImage picture;
    picture.width = 40;
    picture.height = 30;
    picture.bands = 4;
    const auto path = sample(folder, "p.png", picture, ".png");
    const auto& engine = standardEngine();
    int compared = 0;
    for (const auto& format : engine.encoders().formats()) {
        if (!engine.encoders().encoder(format).writesTheSameFileAtEveryEffort()) continue;
        SCOPED_TRACE(format.id());
        auto spec = specFor(format);
        spec.sizing = ResizeSpec::percentage(0.5);
        const auto final = engine.converted(path, spec, 1, EncodeEffort::final).get();
        const auto estimate = engine.estimate(path, spec).get();
        EXPECT_EQ(estimate, (Estimate{final.byteCount(), final.warnings}));
        ++compared;
    }
    EXPECT_GT(compared, 3);
}

TEST(ConversionEngine, ACancelledConversionStopsWithTheCancellationError) {
    TemporaryFolder folder;
    const auto path = sample(folder, "p.png", {}, ".png");
    const auto& engine = standardEngine();
    std::stop_source stop;
    stop.request_stop();
    auto spec = specFor(OutputFormat::tiff());
    EXPECT_THROW(engine.converted(path, spec, 1, EncodeEffort::final, stop.get_token()).get(),
                 platform::CancellationError);
    EXPECT_THROW(engine.estimate(path, spec, 1, stop.get_token()).get(), platform::CancellationError);
    spec.quality = QualityMode::targetBytes(1000);
    spec.format = OutputFormat::jpeg();
    EXPECT_THROW(engine.convert(path, spec, 1, EncodeEffort::final, stop.get_token()), platform::CancellationError);
    // The same conversion not cancelled goes through.
    EXPECT_GT(engine.convert(path, spec, 1, EncodeEffort::final).byteCount(), 0);
}

// A PNG whose header declares a size, followed by an empty image stream.
platform::Bytes pngDeclaring(std::uint32_t width, std::uint32_t height) {
    platform::Bytes file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    auto chunk = [&](const char* type, const platform::Bytes& payload) {
        auto put32 = [&](std::uint32_t value) {
            for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<std::uint8_t>(value >> shift));
        };
        put32(static_cast<std::uint32_t>(payload.size()));
        platform::Bytes body(type, type + 4);
        body.insert(body.end(), payload.begin(), payload.end());
        file.insert(file.end(), body.begin(), body.end());
        put32(static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
    };
    platform::Bytes header;
    for (std::uint32_t value : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) header.push_back(static_cast<std::uint8_t>(value >> shift));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    chunk("IHDR", header);
    chunk("IDAT", {0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    chunk("IEND", {});
    return file;
}

TEST(ConversionEngine, AnImageBeyondTheMemoryBudgetIsRefusedBeforeItIsDecoded) {
    TemporaryFolder folder;
    const auto path = folder.write("huge.png", pngDeclaring(200'000, 200'000));
    const auto error = conversionErrorOf(
        [&] { standardEngine().convert(path, specFor(OutputFormat::jpeg()), 1, EncodeEffort::final); });
    EXPECT_NE(error.get<ConversionError::ImageTooLarge>(), nullptr) << error.diagnostic();
}

TEST(ConversionEngine, KeptMetadataLetsASmallerUntouchedSourceWin) {
    TemporaryFolder folder;
    // A flat picture compresses far better with deflate than the writer's own TIFF.
    const auto path = folder.write("flat.tif", encode(filled(64, 64, {90, 90, 200}), ".tif[compression=deflate]"));
    const platform::Bytes source = platform::readWholeFile(path);
    const auto& engine = standardEngine();

    auto result = engine.convert(path, specFor(OutputFormat::tiff()), 1, EncodeEffort::final);
    EXPECT_EQ(*result.data, source);
    EXPECT_EQ(result.pixelSize, (platform::Size{64, 64}));
    EXPECT_EQ(result.sourceByteCount, static_cast<std::int64_t>(source.size()));

    auto spec = specFor(OutputFormat::tiff());
    spec.metadata = MetadataPolicy::strip;
    result = engine.convert(path, spec, 1, EncodeEffort::final);
    EXPECT_NE(*result.data, source);
    spec = specFor(OutputFormat::tiff());
    spec.adjustments.greyscale = true;
    EXPECT_NE(*engine.convert(path, spec, 1, EncodeEffort::final).data, source);
}

TEST(ConversionEngine, ReoptimisingThroughALossyEncoderWarnsUnlessTheUntouchedSourceWins) {
    TemporaryFolder folder;
    const auto path = folder.write("small.heic", encode(gradient(64, 48), ".heic[Q=5]"));
    const platform::Bytes source = platform::readWholeFile(path);
    const auto& engine = standardEngine();
    ASSERT_FALSE(engine.optimisers().optimiser(OutputFormat::heic()));

    auto spec = specFor(OutputFormat::sameAsSource());
    spec.metadata = MetadataPolicy::strip;
    auto result = engine.convert(path, spec, 1, EncodeEffort::final);
    EXPECT_EQ(result.format, OutputFormat::heic());
    EXPECT_EQ(result.warnings, std::vector{ConversionWarning::reencoded()});

    // Keeping metadata, the smaller source is the output and nothing was lost.
    result = engine.convert(path, specFor(OutputFormat::sameAsSource()), 1, EncodeEffort::final);
    EXPECT_EQ(*result.data, source);
    EXPECT_TRUE(result.warnings.empty());
}

TEST(ConversionEngine, AConversionOutlivesTheEngineThatStartedIt) {
    TemporaryFolder folder;
    const auto path = sample(folder, "p.png", {}, ".png");
    std::vector<std::future<ConversionResult>> conversions;
    {
        const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                      SourceOptimiserRegistry::standard());
        for (int i = 0; i < 8; ++i)
            conversions.push_back(engine.converted(path, specFor(OutputFormat::tiff()), 1, EncodeEffort::final));
    }
    for (auto& conversion : conversions) EXPECT_GT(conversion.get().byteCount(), 0);
}

} // namespace
