#include "ConversionTesting.h"
#include "SourceImages.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/Estimate.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "platform/base/Cancellation.h"
#include "platform/files/FilePath.h"
#include "support/ConversionErrorCapture.h"
#include "support/EncodedSamples.h"

#include <gtest/gtest.h>

#include <future>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;
using testing_support::thrownBy;

// The engine's conversion on its executor, as a future the test may wait for.
std::future<ConversionResult> converted(const ConversionEngine& engine, const std::filesystem::path& path,
                                        const OutputSpec& spec, EncodeEffort effort, std::stop_token stop = {}) {
    auto promise = std::make_shared<std::promise<ConversionResult>>();
    engine.converted(path, spec, 1, effort, std::move(stop), [promise](JobOutcome<ConversionResult> done) {
        try {
            promise->set_value(done.take());
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
    return promise->get_future();
}

// An estimate: the conversion at preview effort, of which the batch keeps the size and the warnings.
Estimate estimated(const ConversionEngine& engine, const std::filesystem::path& path, const OutputSpec& spec,
                   std::stop_token stop = {}) {
    const ConversionResult result = converted(engine, path, spec, EncodeEffort::preview, std::move(stop)).get();
    return Estimate{result.byteCount(), result.warnings};
}

class ConversionEngineTest : public testing::Test {
protected:
    std::filesystem::path sample(const std::string& name, testing_support::SampleImage image = {}) const {
        const auto suffix = "." + platform::pathExtension(name);
        auto bytes = testing_support::encodeSample(image, suffix);
        if (!bytes) throw std::runtime_error("libvips cannot write " + suffix);
        return folder.write(name, *bytes);
    }
    static testing_support::SampleImage picture(int width, int height, int bands, int pages = 1) {
        testing_support::SampleImage image;
        std::tie(image.width, image.height, image.bands, image.pages) = std::tuple(width, height, bands, pages);
        return image;
    }
    ConversionResult convert(const std::filesystem::path& path, const OutputSpec& spec) const {
        return engine.convert(path, spec, 1, EncodeEffort::final);
    }

    TemporaryFolder folder;
    const ConversionEngine& engine = standardEngine();
};

TEST_F(ConversionEngineTest, ResolvesAConcreteFormatWithoutReadingTheFileAndFallsBackWhereNoEncoderWrites) {
    EXPECT_EQ(engine.resolvedFormat(folder.file("missing.png"), specFor(OutputFormat::tiff()), 1), OutputFormat::tiff());
    const auto spec = specFor(OutputFormat::sameAsSource());
    EXPECT_EQ(engine.resolvedFormat(sample("a.png"), spec, 1), OutputFormat::png());
    const auto unknown = folder.write("notes.abc", {1, 2, 3});
    EXPECT_EQ(thrownBy([&] { engine.resolvedFormat(unknown, spec, 1); }),
              ConversionError::unsupportedInput("This computer can't read .abc files."));

    const auto ppm = sample("a.ppm");
    const auto properties = engine.properties(ppm);
    ASSERT_TRUE(properties.sourceUTType);
    ASSERT_FALSE(engine.encoders().hasEncoder(OutputFormat(*properties.sourceUTType)));
    EXPECT_EQ(engine.resolvedFormat(ppm, spec, 1), OutputFormat::jpeg());
    const auto result = convert(ppm, spec);
    EXPECT_EQ(std::tuple(result.format, result.suggestedFileName), std::tuple(OutputFormat::jpeg(), "a.jpg"));
    EXPECT_EQ(result.warnings, std::vector{ConversionWarning::formatFellBack(
                                   OutputFormat::jpeg(), OutputFormat(*properties.sourceUTType).displayName())});

    // With alpha the fall-back keeps it.
    EXPECT_TRUE(engine.writableIdentifiers(engine.properties(sample("b.tif", picture(9, 7, 4))), spec, 1).count("public.tiff"));
}

TEST_F(ConversionEngineTest, WarningsComeInTheirFixedOrder) {
    const auto gif = sample("moving.gif", picture(24, 16, 4, 12));

    auto spec = specFor(OutputFormat::jpeg());
    spec.sizing = ResizeSpec::scale(2);
    spec.quality = QualityMode::targetBytes(10);
    const auto result = convert(gif, spec);
    EXPECT_EQ(result.warnings, (std::vector{ConversionWarning::animationLost(12), ConversionWarning::upscaleClamped(),
                                            ConversionWarning::transparencyFlattened(),
                                            ConversionWarning::targetSizeMissed(result.byteCount())}));
    EXPECT_EQ(result.pixelSize, (platform::Size{24, 16}));
}

TEST_F(ConversionEngineTest, TheTargetSizeSearchKeepsTheBestQualityThatFits) {
    const auto path = folder.write("g.png", encode(gradient(96, 64), ".png"));
    auto spec = specFor(OutputFormat::jpeg());
    spec.namePattern = "{name}-{quality}";

    spec.quality = QualityMode::quality(100);
    const auto best = convert(path, spec);
    EXPECT_EQ(best.suggestedFileName, "g-100.jpg");
    spec.quality = QualityMode::quality(1);
    const auto worst = convert(path, spec);
    ASSERT_LT(worst.byteCount(), best.byteCount());

    const std::int64_t target = (worst.byteCount() + best.byteCount()) / 2;
    spec.quality = QualityMode::targetBytes(target);
    const auto fitted = convert(path, spec);
    EXPECT_LE(fitted.byteCount(), target);
    EXPECT_TRUE(fitted.warnings.empty());
    EXPECT_NE(fitted.suggestedFileName, "g-.jpg");

    spec.quality = QualityMode::targetBytes(0);
    const auto missed = convert(path, spec);
    EXPECT_EQ(missed.warnings, std::vector{ConversionWarning::targetSizeMissed(missed.byteCount())});
    EXPECT_EQ(missed.suggestedFileName, "g-" + std::to_string(engine.encoders().encoder(OutputFormat::jpeg()).qualityRange().lowest) + ".jpg");
    EXPECT_EQ(*missed.data, *worst.data);
}

TEST_F(ConversionEngineTest, EstimatesEqualFinalConversionsWhereEveryEffortWritesTheSameFile) {
    const auto path = sample("p.png", picture(40, 30, 4));
    int compared = 0;
    for (const auto& format : engine.encoders().formats()) {
        if (!engine.encoders().encoder(format).writesTheSameFileAtEveryEffort()) continue;
        SCOPED_TRACE(format.id());
        auto spec = specFor(format);
        spec.sizing = ResizeSpec::percentage(0.5);
        const auto final = converted(engine, path, spec, EncodeEffort::final).get();
        const auto estimate = estimated(engine, path, spec);
        EXPECT_EQ(estimate, (Estimate{final.byteCount(), final.warnings}));
        ++compared;
    }
    EXPECT_GT(compared, 3);
}

TEST_F(ConversionEngineTest, ACancelledConversionStopsWithTheCancellationErrorAndATooLargeOneIsRefusedBeforeDecoding) {
    const auto path = sample("p.png");
    std::stop_source stop;
    stop.request_stop();
    auto spec = specFor(OutputFormat::tiff());
    EXPECT_THROW(converted(engine, path, spec, EncodeEffort::final, stop.get_token()).get(),
                 platform::CancellationError);
    EXPECT_THROW(estimated(engine, path, spec, stop.get_token()), platform::CancellationError);
    spec.quality = QualityMode::targetBytes(1000);
    spec.format = OutputFormat::jpeg();
    EXPECT_THROW(engine.convert(path, spec, 1, EncodeEffort::final, stop.get_token()), platform::CancellationError);
    // The same conversion not cancelled goes through.
    EXPECT_GT(convert(path, spec).byteCount(), 0);

    const auto huge = folder.write("huge.png", testing_support::pngDeclaring(200'000));
    const auto error = thrownBy([&] { convert(huge, specFor(OutputFormat::tiff())); });
    EXPECT_NE(error.get<ConversionError::ImageTooLarge>(), nullptr) << error.diagnostic();
}

TEST_F(ConversionEngineTest, KeptMetadataLetsASmallerUntouchedSourceWinAndOnlyAReencodedOneWarns) {
    // A flat picture compresses far better with deflate than the writer's own TIFF.
    const auto tiff = folder.write("flat.tif", encode(filled(64, 64, {90, 90, 200}), ".tif[compression=deflate]"));
    const platform::Bytes flat = platform::readWholeFile(tiff);
    auto result = convert(tiff, specFor(OutputFormat::tiff()));
    EXPECT_EQ(*result.data, flat);
    EXPECT_EQ(std::tuple(result.pixelSize, result.sourceByteCount),
              std::tuple(platform::Size{64, 64}, static_cast<std::int64_t>(flat.size())));
    auto spec = specFor(OutputFormat::tiff());
    spec.metadata = MetadataPolicy::strip;
    EXPECT_NE(*convert(tiff, spec).data, flat);
    spec = specFor(OutputFormat::tiff());
    spec.adjustments.greyscale = true;
    EXPECT_NE(*convert(tiff, spec).data, flat);

    // Through a lossy encoder without an optimiser, only a re-encoded file warns.
    const auto heic = folder.write("small.heic", encode(gradient(64, 48), ".heic[Q=5]"));
    ASSERT_FALSE(engine.optimisers().optimiser(OutputFormat::heic()));
    spec = specFor(OutputFormat::sameAsSource());
    spec.metadata = MetadataPolicy::strip;
    result = convert(heic, spec);
    EXPECT_EQ(result.format, OutputFormat::heic());
    EXPECT_EQ(result.warnings, std::vector{ConversionWarning::reencoded()});
    result = convert(heic, specFor(OutputFormat::sameAsSource()));
    EXPECT_EQ(*result.data, platform::readWholeFile(heic));
    EXPECT_TRUE(result.warnings.empty());
}

TEST_F(ConversionEngineTest, AConversionOutlivesTheEngineThatStartedIt) {
    const auto path = sample("p.png");
    std::vector<std::future<ConversionResult>> conversions;
    {
        const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                      SourceOptimiserRegistry::standard());
        for (int i = 0; i < 8; ++i)
            conversions.push_back(converted(engine, path, specFor(OutputFormat::tiff()), EncodeEffort::final));
    }
    for (auto& conversion : conversions) EXPECT_GT(conversion.get().byteCount(), 0);
}

} // namespace
