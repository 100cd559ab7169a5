#include "ConversionTesting.h"

#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace pipeline_testing {

using namespace pictavo;

const ConversionEngine& standardEngine() {
    static const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                         SourceOptimiserRegistry::standard());
    return engine;
}

OutputSpec specFor(const OutputFormat& format) {
    return OutputSpec{format, ResizeSpec::original(), QualityMode::lossless(), MetadataPolicy::keepAll,
                      ColourPolicy::preserve, MatteColour::white(), Adjustments::none(), "{name}.{format}"};
}

platform::ImageRef decodedOutput(const ConversionResult& result, const testing_support::TemporaryFolder& folder) {
    const auto path = folder.write("out-" + result.suggestedFileName, *result.data);
    const DecodedImage decoded = standardEngine().decoders().decoder(path)->decode(path, 1);
    const auto* raster = decoded.asRaster();
    if (!raster) throw std::runtime_error("the output did not decode as pixels");
    return raster->image;
}

platform::ImageRef decodedOutput(const ConversionResult& result, const testing_support::TemporaryFolder& folder,
                                 platform::Size size) {
    EXPECT_EQ(result.pixelSize, size);
    auto image = decodedOutput(result, folder);
    if (image->width() != static_cast<std::int64_t>(size.width) || image->height() != static_cast<std::int64_t>(size.height))
        throw std::runtime_error("the output is " + std::to_string(image->width()) + " by " +
                                 std::to_string(image->height()) + " pixels");
    return image;
}

namespace {

int component(const platform::Image& image, std::int64_t x, std::int64_t y, int index) {
    const int value = testing_support::pixelAt(image, x, y)[static_cast<std::size_t>(index)];
    return image.bitsPerComponent() == 16 ? (value * 255 + 32767) / 65535 : std::clamp(value, 0, 255);
}

} // namespace

std::array<int, 4> colourAt(const platform::Image& image, std::int64_t x, std::int64_t y) {
    using platform::AlphaInfo;
    const AlphaInfo info = image.alphaInfo();
    const bool alphaFirst = info == AlphaInfo::premultipliedFirst || info == AlphaInfo::first ||
                            info == AlphaInfo::noneSkipFirst;
    const int first = alphaFirst ? 1 : 0;
    const int colours = image.colourComponents();
    int alpha = 255;
    if (image.hasAlphaChannel()) alpha = component(image, x, y, alphaFirst ? 0 : image.componentsPerPixel() - 1);
    std::array<int, 4> colour{};
    for (int c = 0; c < 3; ++c) colour[c] = component(image, x, y, first + (colours >= 3 ? c : 0));
    if (image.isPremultiplied() && alpha > 0)
        for (int c = 0; c < 3; ++c) colour[c] = std::min(255, (colour[c] * 255 + alpha / 2) / alpha);
    colour[3] = alpha;
    return colour;
}

bool near(const std::array<int, 4>& actual, const std::array<int, 4>& expected, int tolerance) {
    for (int c = 0; c < 4; ++c)
        if (std::abs(actual[c] - expected[c]) > tolerance) return false;
    return true;
}

platform::Bytes ResizingOptimiser::optimise(const platform::Bytes& source, MetadataPolicy, std::uint32_t,
                                           EncodeEffort, std::uint64_t) const {
    if (!change_) throw std::runtime_error("unreadable");
    platform::Bytes result = source;
    result.resize(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(source.size()) + *change_), 0);
    return result;
}

} // namespace pipeline_testing
