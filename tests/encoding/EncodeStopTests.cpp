#include "ImageEngine/Encoding/jpeg/MozJPEGEncoder.h"
#include "ImageEngine/Encoding/png/LibDeflatePNGEncoder.h"
#include "ImageEngine/Encoding/webp/WebPEncoder.h"
#include "platform/base/Cancellation.h"
#include "support/JPEGSamples.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>
#include <stop_token>

namespace {

using pictavo::EncodeEffort;
using pictavo::EncodeOptions;
using pictavo::MetadataPolicy;

EncodeOptions atQuality(std::optional<std::int64_t> quality) {
    EncodeOptions options(EncodeEffort::final, MetadataPolicy::strip);
    options.quality = quality;
    return options;
}

// An encode whose job was asked to stop gives up before its end instead of handing back bytes
// nobody will read; the same encode in a job still wanted writes its picture.
TEST(EncodeStop, AnEncodeWhoseJobWasAskedToStopEndsCancelledBeforeItsEnd) {
    const int width = 512, height = 384;
    const platform::ImageRef photo = platform::Image::make(
        width, height, 8, 4, platform::AlphaInfo::noneSkipLast, platform::ColourSpace::sRGB(),
        std::make_shared<platform::Bytes>(testing_support::testPattern(width, height, 4)),
        static_cast<std::size_t>(width) * 4);
    const pictavo::MozJPEGEncoder jpeg;
    const pictavo::WebPEncoder webp;
    const pictavo::LibDeflatePNGEncoder png;
    const std::vector<std::pair<const pictavo::ImageEncoder*, std::optional<std::int64_t>>> encodes{
        {&jpeg, 80}, {&webp, 80}, {&webp, std::nullopt}, {&png, std::nullopt}};
    for (const auto& [encoder, quality] : encodes) {
        SCOPED_TRACE(encoder->format().id() + (quality ? " lossy" : " lossless"));
        std::stop_source job;
        {
            const platform::CurrentJobScope scope(job.get_token());
            EXPECT_FALSE(encoder->encode(photo, atQuality(quality)).empty());
        }
        job.request_stop();
        const platform::CurrentJobScope scope(job.get_token());
        EXPECT_THROW(encoder->encode(photo, atQuality(quality)), platform::CancellationError);
    }
}

} // namespace
