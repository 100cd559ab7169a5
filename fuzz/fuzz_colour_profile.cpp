// Arbitrary bytes as the colour profile embedded in an image: the profile is read, and
// pixels tagged with it are matched into sRGB and device grey, resampled, made grey, packed
// for a file writer, and used as a drawing destination, as a conversion would with a profile
// from a user's file.
#include "platform/pixels/BitmapContext.h"
#include "platform/pixels/ImageFilters.h"
#include "platform/pixels/PackedPixels.h"

#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t largestInput = 256 << 10;

platform::ImageRef tagged(const platform::ColourSpaceRef& space, int bits, platform::AlphaInfo alpha,
                          const std::uint8_t* seed, std::size_t seedSize) {
    const int colours = space->componentCount();
    const int components = colours + (alpha == platform::AlphaInfo::none ? 0 : 1);
    const std::int64_t width = 5;
    const std::int64_t height = 3;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * components * bits / 8;
    auto pixels = std::make_shared<platform::Bytes>(rowBytes * height);
    for (std::size_t i = 0; i < pixels->size(); ++i) (*pixels)[i] = seed[i % seedSize];
    if (bits == 32) { // finite floats, some out of range
        auto* values = reinterpret_cast<float*>(pixels->data());
        for (std::size_t i = 0; i < pixels->size() / 4; ++i) values[i] = static_cast<float>(seed[i % seedSize]) / 200.0f;
    }
    return platform::Image::make(width, height, bits, components, alpha, space, std::move(pixels), rowBytes);
}

void drawAll(const platform::ImageRef& image) {
    if (!image) return;
    auto srgb = platform::BitmapContext::create(4, 7, platform::ColourSpace::sRGB(), platform::BitmapLayout::premultipliedLast);
    srgb->draw(image, {{0.5, 0.25}, {3.2, 6.1}});
    auto grey = platform::BitmapContext::create(5, 3, platform::ColourSpace::deviceGray(), platform::BitmapLayout::greyNone);
    grey->draw(image, {{0, 0}, {5, 3}});
    (void)platform::ImageFilters::luminanceMatrix(image, {});
    (void)platform::packPixels(*image, {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > largestInput) return 0;
    auto space = platform::ColourSpace::fromICC(platform::Bytes(data, data + size));
    if (!space) return 0;
    drawAll(tagged(space, 8, platform::AlphaInfo::none, data, size));
    drawAll(tagged(space, 16, platform::AlphaInfo::last, data, size));
    drawAll(tagged(space, 32, platform::AlphaInfo::premultipliedLast, data, size));
    if (space->model() == platform::ColourModel::rgb) {
        auto destination = platform::BitmapContext::create(3, 3, space, platform::BitmapLayout::noneSkipLast);
        destination->fill({{0, 0}, {3, 3}}, {0.2, 0.4, 0.6, 1});
        const std::vector<std::uint8_t> pixel{10, 200, 30};
        auto srgbImage = platform::Image::make(1, 1, 8, 3, platform::AlphaInfo::none, platform::ColourSpace::sRGB(),
                                               std::make_shared<platform::Bytes>(pixel), 3);
        destination->draw(srgbImage, {{0, 0}, {3, 3}});
    }
    return 0;
}
