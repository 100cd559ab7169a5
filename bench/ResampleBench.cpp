#include "platform/pixels/BitmapContext.h"

#include <benchmark/benchmark.h>

using namespace platform;

namespace {

ImageRef photo(std::int64_t width, std::int64_t height, int components, AlphaInfo alpha) {
    auto pixels = std::make_shared<Bytes>(static_cast<std::size_t>(width * height * components));
    std::uint32_t state = 12345;
    for (auto& value : *pixels) {
        state = state * 1664525u + 1013904223u;
        value = static_cast<std::uint8_t>(state >> 24);
    }
    return Image::make(width, height, 8, components, alpha, ColourSpace::sRGB(), std::move(pixels),
                       static_cast<std::size_t>(width * components));
}

void drawInto(benchmark::State& state, const ImageRef& image, std::int64_t width, std::int64_t height,
              BitmapLayout layout) {
    for (auto _ : state) {
        auto context = BitmapContext::create(width, height, ColourSpace::sRGB(), layout);
        context->draw(image, {{0, 0}, {static_cast<double>(width), static_cast<double>(height)}});
        benchmark::DoNotOptimize(context->makeImage());
    }
    state.counters["sourceMP/s"] = benchmark::Counter(
        static_cast<double>(image->width() * image->height()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// The hot path of every resize: a 24-megapixel photo halved.
void BM_HalveRGBPhoto(benchmark::State& state) {
    drawInto(state, photo(6000, 4000, 3, AlphaInfo::none), 3000, 2000, BitmapLayout::noneSkipLast);
}
BENCHMARK(BM_HalveRGBPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShrinkRGBAToThumbnail(benchmark::State& state) {
    drawInto(state, photo(6000, 4000, 4, AlphaInfo::last), 600, 400, BitmapLayout::premultipliedLast);
}
BENCHMARK(BM_ShrinkRGBAToThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();

// A same-size redraw (flatten, colour conversion): no resampling at all.
void BM_RedrawRGBPhoto(benchmark::State& state) {
    drawInto(state, photo(6000, 4000, 3, AlphaInfo::none), 6000, 4000, BitmapLayout::noneSkipLast);
}
BENCHMARK(BM_RedrawRGBPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
