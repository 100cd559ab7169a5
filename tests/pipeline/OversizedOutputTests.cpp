#include "ConversionTesting.h"
#include "SourceImages.h"

#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Model/ConversionError.h"
#include "support/ConversionErrorCapture.h"
#include "support/TGASamples.h"

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;
using testing_support::thrownBy;

// A picture one pixel across is cheap at any length, and too long for every format with a
// limit: the user reads the usual sentence, the failure report names the limit and the size.
TEST(OversizedOutput, APictureLongerThanTheFormatHoldsFailsNamingTheLimitAndItsSize) {
    TemporaryFolder folder;
    const auto& engine = standardEngine();
    const auto wide = folder.write("wide.png", encode(filled(65536, 1, {200, 120, 40}), ".png"));
    const auto tall = folder.write("tall.png", encode(filled(1, 65536, {200, 120, 40}), ".png"));
    // A TGA, whose sides are 16 bits, is at most a little too wide for JPEG: runs of 128 pixels.
    auto layout = testing_support::tgaLayout(10, 65535, 1, 24);
    for (int run = 0; run < 512; ++run) layout.pixels.insert(layout.pixels.end(), {static_cast<std::uint8_t>(run < 511 ? 0xFF : 0xFE), 40, 120, 200});
    const auto tga = folder.write("wide.tga", testing_support::tgaFile(layout));
    struct Case {
        OutputFormat format;
        std::filesystem::path source;
        const char* limit;
    };
    for (const auto& [format, source, limit] :
         {Case{OutputFormat::webp(), wide, "WebP holds at most 16383 pixels a side; this image is 65536 \u00D7 1 pixels"},
          Case{OutputFormat::webp(), tall, "WebP holds at most 16383 pixels a side; this image is 1 \u00D7 65536 pixels"},
          Case{OutputFormat::jpeg(), wide, "JPEG holds at most 65500 pixels a side; this image is 65536 \u00D7 1 pixels"},
          Case{OutputFormat::jpeg(), tga, "JPEG holds at most 65500 pixels a side; this image is 65535 \u00D7 1 pixels"},
          Case{OutputFormat::gif(), wide, "GIF holds at most 65535 pixels a side; this image is 65536 \u00D7 1 pixels"},
          Case{OutputFormat::heic(), tall, "HEIC holds at most 32768 pixels a side; this image is 1 \u00D7 65536 pixels"},
          Case{OutputFormat::avif(), wide, "AVIF holds at most 32768 pixels a side; this image is 65536 \u00D7 1 pixels"}}) {
        SCOPED_TRACE(format.displayName());
        const auto error = thrownBy([&] { engine.convert(source, specFor(format), 1, EncodeEffort::final); });
        EXPECT_EQ(error, ConversionError::encodeFailed(format));
        EXPECT_EQ(error.errorDescription(), "Writing " + format.displayName() + " failed.");
        EXPECT_EQ(error.diagnostic(), "encodeFailed(" + format.id() + ") because " + limit);
    }

    // The longest side a WebP holds is written.
    const auto longest = folder.write("longest.png", encode(filled(16383, 1, {200, 120, 40}), ".png"));
    EXPECT_EQ(engine.convert(longest, specFor(OutputFormat::webp()), 1, EncodeEffort::final).pixelSize,
              (platform::Size{16383, 1}));
}

// Whether the output fits the format is known from the header: a picture whose output the
// format cannot hold is refused before it is read, for an estimate as for an export, and not
// for want of memory to decode it.
TEST(OversizedOutput, AnOutputTheFormatCannotHoldIsRefusedBeforeThePictureIsRead) {
    TemporaryFolder folder;
    const auto wide = folder.write("wide.png", encode(filled(16400, 2, {200, 120, 40}), ".png"));
    // Too little memory to decode it: a picture that is read is refused as too large.
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard(), std::make_shared<PixelMemory>(1000));
    for (const auto effort : {EncodeEffort::final, EncodeEffort::preview}) {
        const auto error = thrownBy([&] { engine.convert(wide, specFor(OutputFormat::webp()), 1, effort); });
        EXPECT_EQ(error, ConversionError::encodeFailed(OutputFormat::webp())) << error.diagnostic();
    }
    auto fitting = specFor(OutputFormat::webp());
    fitting.sizing = ResizeSpec::longestEdge(16383);
    const auto error = thrownBy([&] { engine.convert(wide, fitting, 1, EncodeEffort::final); });
    EXPECT_EQ(error, ConversionError::imageTooLarge(16400, 2)) << error.diagnostic();
}

} // namespace
