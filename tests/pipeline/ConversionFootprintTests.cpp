#include "ConversionTesting.h"

#include "ImageEngine/Decoding/ImageIODecoder.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/jpeg/MozJPEGEncoder.h"
#include "platform/base/Cancellation.h"
#include "support/JPEGSamples.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

// How often a conversion inspected its source, and what it still held of the decoded
// pixels when it reached the encoder.
struct Watch {
    std::mutex lock;
    std::atomic<int> inspections = 0;
    int decodes = 0;
    std::weak_ptr<const platform::Image> decoded;
    platform::ImageRef encoded;
    bool decodedAliveAtEncode = false;
};

// The real raster decoder, keeping only a weak handle on the pixels it hands out.
class WatchedDecoder final : public ImageDecoder {
public:
    explicit WatchedDecoder(std::shared_ptr<Watch> watch) : watch_(std::move(watch)) {}
    const std::unordered_set<platform::ContentType>& readableTypes() const override { return real_.readableTypes(); }
    ImageProperties properties(const std::filesystem::path& url) const override {
        ++watch_->inspections;
        return real_.properties(url);
    }
    DecodedImage decode(const std::filesystem::path& url) const override { return decode(url, 1); }
    DecodedImage decode(const std::filesystem::path& url, std::int64_t page) const override {
        DecodedImage decoded = real_.decode(url, page);
        const std::lock_guard hold(watch_->lock);
        ++watch_->decodes;
        watch_->decoded = decoded.asRaster()->image;
        return decoded;
    }

private:
    ImageIODecoder real_;
    std::shared_ptr<Watch> watch_;
};

// The real JPEG encoder, noting whether the decoded pixels are still held when it starts.
class WatchedEncoder final : public ImageEncoder {
public:
    explicit WatchedEncoder(std::shared_ptr<Watch> watch) : watch_(std::move(watch)) {}
    OutputFormat format() const override { return real_.format(); }
    bool supportsQuality() const override { return real_.supportsQuality(); }
    bool writesLosslesslyWithoutAQuality() const override { return real_.writesLosslesslyWithoutAQuality(); }
    bool writesSingleChannelGrey() const override { return real_.writesSingleChannelGrey(); }
    bool carriesColourSpace() const override { return real_.carriesColourSpace(); }
    bool writesTheSameFileAtEveryEffort() const override { return real_.writesTheSameFileAtEveryEffort(); }
    QualityRange qualityRange() const override { return real_.qualityRange(); }
    EncoderIntake intake() const override { return real_.intake(); }
    platform::Bytes encode(const platform::ImageRef& image, const EncodeOptions& options) const override {
        {
            const std::lock_guard hold(watch_->lock);
            watch_->decodedAliveAtEncode = !watch_->decoded.expired();
            watch_->encoded = image;
        }
        return real_.encode(image, options);
    }

private:
    MozJPEGEncoder real_;
    std::shared_ptr<Watch> watch_;
};

struct WatchedConversion {
    std::shared_ptr<Watch> watch = std::make_shared<Watch>();
    ConversionEngine engine{DecoderRegistry({std::make_shared<const WatchedDecoder>(watch)}),
                            EncoderRegistry({std::make_shared<const WatchedEncoder>(watch)}),
                            SourceOptimiserRegistry::standard()};
};

class ConversionFootprint : public testing::Test {
protected:
    // A real JPEG photo, and a JPEG of it at the given scale (1 keeps its size).
    std::filesystem::path photo(int width, int height) {
        return folder.write("photo.jpg", testing_support::makeJpeg(width, height));
    }
    static OutputSpec jpegAt(double scale) {
        auto spec = specFor(OutputFormat::jpeg());
        if (scale != 1) spec.sizing = ResizeSpec::scale(scale);
        return spec;
    }

    TemporaryFolder folder;
    WatchedConversion conversion;
};

} // namespace

TEST_F(ConversionFootprint, DecodedPixelsAreLetGoOnceTheResizedImageIsDrawnAndKeptWhenNoStageChangesThem) {
    const auto large = photo(96, 64);
    auto spec = jpegAt(0.5);
    spec.quality = QualityMode::quality(85);
    const auto result = conversion.engine.convert(large, spec, 1, EncodeEffort::final);
    EXPECT_EQ(result.pixelSize, (platform::Size{48, 32}));
    EXPECT_FALSE(conversion.watch->decodedAliveAtEncode);
    // The same conversion through the standard engine makes the very same file.
    EXPECT_EQ(*result.data, *standardEngine().convert(large, spec, 1, EncodeEffort::final).data);

    // Pixels no stage changes reach the encoder as they were decoded.
    WatchedConversion untouched;
    spec.sizing = ResizeSpec::original();
    untouched.engine.convert(large, spec, 1, EncodeEffort::final);
    EXPECT_TRUE(untouched.watch->decodedAliveAtEncode);
    EXPECT_EQ(untouched.watch->encoded, untouched.watch->decoded.lock());
}

TEST_F(ConversionFootprint, ASourceIsInspectedApartOnlyWhenItMightBeKeptAsItIsAndACancelledOneIsNotDecoded) {
    const auto source = photo(64, 48);
    // Lossless into its own format: the source's coefficients are kept, never decoded.
    conversion.engine.convert(source, jpegAt(1), 1, EncodeEffort::final);
    EXPECT_GE(conversion.watch->inspections.load(), 1);
    EXPECT_FALSE(conversion.watch->encoded);

    // A resize rules that out before the file is read: it is read once, to be decoded.
    WatchedConversion resized;
    resized.engine.convert(source, jpegAt(0.5), 1, EncodeEffort::final);
    EXPECT_EQ(resized.watch->inspections.load(), 0);
    EXPECT_TRUE(resized.watch->encoded);

    WatchedConversion cancelled;
    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(cancelled.engine.convert(source, jpegAt(0.5), 1, EncodeEffort::final, stop.get_token()),
                 platform::CancellationError);
    EXPECT_EQ(cancelled.watch->decodes, 0);
}
