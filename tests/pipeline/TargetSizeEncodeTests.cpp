#include "ImageEngine/Pipeline/TargetSizeEncode.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "platform/base/Cancellation.h"
#include "support/SampleImages.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace pictavo;

struct Call { std::int64_t quality; EncodeEffort effort; };

// Encodes through a real encoder and notes every encode the search asks for.
struct RecordedEncodes {
    explicit RecordedEncodes(const OutputFormat& format) : encoder(registry.encoder(format)) {}

    const EncoderRegistry registry = EncoderRegistry::standard();
    const ImageEncoder& encoder;
    platform::ImageRef image = testing_support::patternImage(96, 64, 8, 3, platform::AlphaInfo::none);
    std::vector<Call> calls;

    platform::Bytes encodeAt(std::int64_t quality, EncodeEffort effort) const {
        EncodeOptions options(effort, MetadataPolicy::strip);
        options.quality = quality;
        options.orientation = 1;
        return encoder.encode(image, options);
    }
    TargetSizeEncode::Encode recorder() {
        return [this](std::int64_t quality, EncodeEffort effort) {
            calls.push_back({quality, effort});
            return encodeAt(quality, effort);
        };
    }
    // A target that some qualities meet and others do not.
    std::int64_t middleTarget() const {
        const auto range = encoder.qualityRange();
        const auto lowest = static_cast<std::int64_t>(encodeAt(range.lowest, EncodeEffort::preview).size());
        const auto highest = static_cast<std::int64_t>(encodeAt(range.highest, EncodeEffort::preview).size());
        return (lowest + highest) / 2;
    }
};

TEST(TargetSizeEncode, AnEffortDependentEncoderEncodesTheChoiceOnceAtFinalAndOneThatIsNotKeepsItsBestProbe) {
    RecordedEncodes webp{OutputFormat::webp()};
    ASSERT_FALSE(webp.encoder.writesTheSameFileAtEveryEffort());
    const auto target = webp.middleTarget();

    const auto output = TargetSizeEncode::run(webp.encoder, target, EncodeEffort::final, {}, webp.recorder());
    ASSERT_TRUE(output.quality);
    ASSERT_GE(webp.calls.size(), 2u);
    EXPECT_LE(webp.calls.size(), static_cast<std::size_t>(TargetSizeEncode::maxProbes) + 1);
    for (std::size_t i = 0; i + 1 < webp.calls.size(); ++i) EXPECT_EQ(webp.calls[i].effort, EncodeEffort::preview);
    EXPECT_EQ(webp.calls.back().effort, EncodeEffort::final);
    EXPECT_EQ(webp.calls.back().quality, *output.quality);
    EXPECT_EQ(output.bytes, webp.encodeAt(*output.quality, EncodeEffort::final));

    // For an estimate the probe that fitted is the answer.
    webp.calls.clear();
    const auto estimate = TargetSizeEncode::run(webp.encoder, target, EncodeEffort::preview, {}, webp.recorder());
    for (const auto& call : webp.calls) EXPECT_EQ(call.effort, EncodeEffort::preview);
    EXPECT_LE(webp.calls.size(), static_cast<std::size_t>(TargetSizeEncode::maxProbes));
    EXPECT_LE(static_cast<std::int64_t>(estimate.bytes.size()), target);
    EXPECT_EQ(estimate.bytes, webp.encodeAt(*estimate.quality, EncodeEffort::preview));

    // An encoder that writes the same file at every effort keeps its best probe.
    RecordedEncodes jpeg{OutputFormat::jpeg()};
    ASSERT_TRUE(jpeg.encoder.writesTheSameFileAtEveryEffort());
    const auto jpegTarget = jpeg.middleTarget();

    const auto jpegOutput = TargetSizeEncode::run(jpeg.encoder, jpegTarget, EncodeEffort::final, {}, jpeg.recorder());
    ASSERT_TRUE(jpegOutput.quality);
    for (const auto& call : jpeg.calls) EXPECT_EQ(call.effort, EncodeEffort::preview);
    EXPECT_LE(static_cast<std::int64_t>(jpegOutput.bytes.size()), jpegTarget);
    EXPECT_EQ(jpegOutput.bytes, jpeg.encodeAt(*jpegOutput.quality, EncodeEffort::final));
    // Every quality above the choice that was tried was too large.
    for (const auto& call : jpeg.calls) {
        if (call.quality > *jpegOutput.quality) {
            EXPECT_GT(jpeg.encodeAt(call.quality, EncodeEffort::preview).size(), static_cast<std::size_t>(jpegTarget));
        }
    }

    // Nothing fits: the lowest quality's probe is the answer, encoded no further.
    jpeg.calls.clear();
    const auto missed = TargetSizeEncode::run(jpeg.encoder, 0, EncodeEffort::final, {}, jpeg.recorder());
    EXPECT_EQ(missed.quality, jpeg.encoder.qualityRange().lowest);
    EXPECT_EQ(jpeg.calls.back().quality, jpeg.encoder.qualityRange().lowest);
    EXPECT_EQ(jpeg.calls.back().effort, EncodeEffort::preview);
    EXPECT_EQ(missed.bytes, jpeg.encodeAt(jpeg.encoder.qualityRange().lowest, EncodeEffort::final));
}

TEST(TargetSizeEncode, AnEncoderWithoutAQualityEncodesOnceAtTheTopOfItsRangeAndACancelledSearchNotAtAll) {
    RecordedEncodes png{OutputFormat::png()};
    ASSERT_FALSE(png.encoder.supportsQuality());
    const auto output = TargetSizeEncode::run(png.encoder, 1, EncodeEffort::final, {}, png.recorder());
    EXPECT_FALSE(output.quality);
    ASSERT_EQ(png.calls.size(), 1u);
    EXPECT_EQ(png.calls[0].quality, png.encoder.qualityRange().highest);
    EXPECT_EQ(png.calls[0].effort, EncodeEffort::final);

    std::stop_source stop;
    stop.request_stop();
    for (const auto& format : {OutputFormat::jpeg(), OutputFormat::png()}) {
        RecordedEncodes recorded{format};
        EXPECT_THROW(TargetSizeEncode::run(recorded.encoder, 1000, EncodeEffort::final, stop.get_token(),
                                           recorded.recorder()),
                     platform::CancellationError);
        EXPECT_TRUE(recorded.calls.empty());
    }
}

} // namespace
