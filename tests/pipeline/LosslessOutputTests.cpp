#include "ConversionTesting.h"
#include "SourceImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

// Grain in every channel, the hardest case for a codec that smooths: a lossy encode at any
// quality changes some of it.
Picture grain(int width, int height) {
    Picture picture(width, height, 3);
    std::uint32_t state = 12345;
    for (auto& value : picture.pixels) {
        state = state * 1664525u + 1013904223u;
        value = static_cast<std::uint8_t>(state >> 24);
    }
    return picture;
}

// The PSNR of the decoded output's red, green and blue against the source's, in dB.
double psnr(const platform::Image& output, const Picture& source) {
    double squares = 0;
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) {
            const auto colour = colourAt(output, x, y);
            for (int band = 0; band < 3; ++band) {
                const double difference = colour[band] - source.at(x, y)[band];
                squares += difference * difference;
            }
        }
    const double meanSquare = squares / (3.0 * source.width * source.height);
    return meanSquare == 0 ? 99 : 10 * std::log10(255 * 255 / meanSquare);
}

// "Lossless" asks a lossy format for the setting at which a photograph cannot be told from
// its source: the codecs' own lossless modes would write files about as large as a PNG, many
// times a camera's.
TEST(LosslessOutput, HEICAVIFAndJPEG2000WithoutAQualityLookTheSameInAFractionOfALosslessFile) {
    TemporaryFolder folder;
    const auto& engine = standardEngine();
    const Picture photo = photoLike(256, 192);
    const auto png = encode(photo, ".png[compression=9]");
    const auto path = folder.write("photo.png", png);
    for (const auto& format : {OutputFormat::heic(), OutputFormat::avif(), OutputFormat::jpeg2000()}) {
        SCOPED_TRACE(format.displayName());
        const auto result = engine.convert(path, specFor(format), 1, EncodeEffort::final);
        EXPECT_GE(psnr(*decodedOutput(result, folder, {256, 192}), photo), 45);
        EXPECT_LT(result.byteCount(), static_cast<std::int64_t>(png.size() / 5));
    }

    // The best lossy setting still changes the grain, so the quality scale is not a lossless mode.
    const auto grainPath = folder.write("grain.png", encode(grain(64, 48), ".png"));
    for (const auto& format : {OutputFormat::heic(), OutputFormat::avif(), OutputFormat::jpeg2000()}) {
        SCOPED_TRACE(format.displayName());
        auto best = specFor(format);
        best.quality = QualityMode::quality(100);
        const auto lossy = engine.convert(grainPath, best, 1, EncodeEffort::final);
        EXPECT_LT(psnr(*decodedOutput(lossy, folder, {64, 48}), grain(64, 48)), 99);
    }
}

} // namespace
