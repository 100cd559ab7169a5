#include "ConversionTesting.h"
#include "SourceImages.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

// Grain in every channel, the hardest case for a codec that smooths: a lossy encode at any
// quality changes some of it.
Picture grain(int width, int height, int bands) {
    Picture picture(width, height, bands);
    std::uint32_t state = 12345;
    for (auto& value : picture.pixels) {
        state = state * 1664525u + 1013904223u;
        value = static_cast<std::uint8_t>(state >> 24);
    }
    if (bands == 4)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) picture.at(x, y)[3] = static_cast<std::uint8_t>(64 + (x * 5 + y * 3) % 192);
    return picture;
}

// How many pixels of the decoded output differ from the source in any component.
int differingPixels(const platform::Image& output, const Picture& source) {
    int differing = 0;
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            const std::uint8_t* expected = source.at(x, y);
            const std::array<int, 4> wanted{expected[0], expected[1], expected[2], source.bands == 4 ? expected[3] : 255};
            if (colourAt(output, x, y) != wanted) ++differing;
        }
    }
    return differing;
}

// "Lossless" asks a lossy format for its best: HEIC, AVIF and JPEG 2000 all have a mode
// that keeps every pixel, colour and transparency alike.
TEST(LosslessOutput, HEICAVIFAndJPEG2000WithoutAQualityGiveBackEveryPixel) {
    TemporaryFolder folder;
    const auto& engine = standardEngine();
    struct Case {
        OutputFormat format;
        int bands;
    };
    for (const auto& [format, bands] : {Case{OutputFormat::heic(), 3}, Case{OutputFormat::heic(), 4}, Case{OutputFormat::avif(), 3},
                                        Case{OutputFormat::avif(), 4}, Case{OutputFormat::jpeg2000(), 3}}) {
        SCOPED_TRACE(format.displayName() + " with " + std::to_string(bands) + " bands");
        const Picture source = grain(64, 48, bands);
        const auto path = folder.write("grain.png", encode(source, ".png"));
        const auto lossless = engine.convert(path, specFor(format), 1, EncodeEffort::final);
        EXPECT_EQ(differingPixels(*decodedOutput(lossless, folder, {64, 48}), source), 0);

        // The best lossy setting still changes the grain, so the mode above is not a quality.
        auto best = specFor(format);
        best.quality = QualityMode::quality(100);
        const auto lossy = engine.convert(path, best, 1, EncodeEffort::final);
        EXPECT_GT(differingPixels(*decodedOutput(lossy, folder, {64, 48}), source), 0);
    }
}

} // namespace
