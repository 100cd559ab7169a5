#include "ConversionTesting.h"
#include "SourceImages.h"
#include "support/EncodedSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

OutputSpec atQuality(const OutputFormat& format, std::int64_t quality) {
    auto spec = specFor(format);
    spec.metadata = MetadataPolicy::strip;
    spec.quality = QualityMode::quality(quality);
    return spec;
}

// A JPEG 2000 quality reads as a JPEG one: every step up costs a little more than the last
// rather than nothing for a while and then many times as much, and quality 80 writes about
// what our JPEG writes at 80. The file-size search walks the same scale.
TEST(JPEG2000Quality, SizeGrowsSteadilyWithQualityAndMeetsJPEGAt80) {
    TemporaryFolder folder;
    const auto& engine = standardEngine();
    const auto path = folder.write("photo.png", encode(photoLike(256, 192, 7), ".png"));
    std::vector<std::int64_t> sizes;
    for (std::int64_t quality = 10; quality <= 100; quality += 10)
        sizes.push_back(engine.convert(path, atQuality(OutputFormat::jpeg2000(), quality), 1, EncodeEffort::final)
                            .byteCount());
    for (std::size_t step = 1; step < sizes.size(); ++step) {
        SCOPED_TRACE("quality " + std::to_string(10 * step) + " to " + std::to_string(10 * step + 10));
        EXPECT_GE(sizes[step], sizes[step - 1]);
        EXPECT_LE(sizes[step], 3 * sizes[step - 1]);
    }
    const auto jpeg = engine.convert(path, atQuality(OutputFormat::jpeg(), 80), 1, EncodeEffort::final).byteCount();
    EXPECT_GE(sizes[7], jpeg / 2);
    EXPECT_LE(sizes[7], 2 * jpeg);

    auto spec = specFor(OutputFormat::jpeg2000());
    spec.metadata = MetadataPolicy::strip;
    spec.quality = QualityMode::targetBytes(sizes[5]);
    const auto searched = engine.convert(path, spec, 1, EncodeEffort::final);
    EXPECT_LE(searched.byteCount(), sizes[5]);
    EXPECT_GE(searched.byteCount(), sizes[4]);
    EXPECT_TRUE(searched.warnings.empty());
}

// The quality is measured on the picture as it will be written, whatever its depth or channels.
TEST(JPEG2000Quality, GreyAndSixteenBitPicturesAreWrittenAtAQuality) {
    TemporaryFolder folder;
    const auto& engine = standardEngine();
    testing_support::SampleImage grey, deep;
    grey.width = deep.width = 64;
    grey.height = deep.height = 48;
    grey.bands = 1;
    deep.sixteenBit = true;
    for (const auto& sample : {grey, deep}) {
        const auto path = folder.write(sample.sixteenBit ? "deep.png" : "grey.png",
                                       *testing_support::encodeSample(sample, ".png"));
        SCOPED_TRACE(path.filename().string());
        const auto coarse = engine.convert(path, atQuality(OutputFormat::jpeg2000(), 20), 1, EncodeEffort::final);
        const auto fine = engine.convert(path, atQuality(OutputFormat::jpeg2000(), 90), 1, EncodeEffort::final);
        EXPECT_LT(coarse.byteCount(), fine.byteCount());
        EXPECT_TRUE(decodedOutput(fine, folder, {64, 48}));
    }
}

} // namespace
