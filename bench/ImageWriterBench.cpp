#include "platform/write/ImageWriter.h"
#include "platform/types/ImageTypeIdentifiers.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// A 12-megapixel photograph-like RGB image: smooth gradients with some texture, so the
// lossless coders neither get everything for free nor nothing.
platform::ImageRef photo(bool withAlpha) {
    const int width = 4000, height = 3000, components = withAlpha ? 4 : 3;
    auto pixels = std::make_shared<platform::Bytes>(static_cast<std::size_t>(width) * height * components);
    std::uint8_t* p = pixels->data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int texture = static_cast<int>(8 * std::sin(x * 0.3) * std::cos(y * 0.2));
            *p++ = static_cast<std::uint8_t>((x * 255 / width + texture) & 255);
            *p++ = static_cast<std::uint8_t>((y * 255 / height + texture) & 255);
            *p++ = static_cast<std::uint8_t>(((x + y) * 127 / (width + height)) & 255);
            if (withAlpha) *p++ = static_cast<std::uint8_t>(255 - (x & 63));
        }
    }
    return platform::Image::make(width, height, 8, components,
                                 withAlpha ? platform::AlphaInfo::premultipliedLast : platform::AlphaInfo::none,
                                 platform::ColourSpace::sRGB(), pixels, static_cast<std::size_t>(width) * components);
}

void writeOnce(benchmark::State& state, const char* identifier, bool withAlpha) {
    const auto image = photo(withAlpha);
    platform::WriterProperties properties;
    properties.lossyQuality = 0.8;
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto file = platform::ImageWriter::write(identifier, {image}, properties);
        if (!file) {
            state.SkipWithError("the writer failed");
            return;
        }
        bytes = file->size();
    }
    state.counters["outputBytes"] = static_cast<double>(bytes);
    state.SetItemsProcessed(state.iterations() * image->width() * image->height());
}

} // namespace

// The platform writer on a 12-megapixel image, per format: straight copies for opaque
// RGB, an un-premultiplying pass for premultiplied RGBA.
static void BM_WritePng(benchmark::State& state) { writeOnce(state, platform::types::png, false); }
static void BM_WritePngPremultiplied(benchmark::State& state) { writeOnce(state, platform::types::png, true); }
static void BM_WriteTiff(benchmark::State& state) { writeOnce(state, platform::types::tiff, false); }
static void BM_WriteJpeg(benchmark::State& state) { writeOnce(state, platform::types::jpeg, false); }
static void BM_WriteHeic(benchmark::State& state) { writeOnce(state, platform::types::heic, false); }
static void BM_WriteBmp(benchmark::State& state) { writeOnce(state, platform::types::bmp, false); }
BENCHMARK(BM_WritePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePngPremultiplied)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteHeic)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WriteBmp)->Unit(benchmark::kMillisecond);
