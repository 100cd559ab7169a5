#include "shims/pctv_mozjpeg.h"
#include "shims/pctv_webp.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int width = 4000;
constexpr int height = 3000;

// A 12-megapixel RGBX picture with smooth areas, edges and sensor-like noise.
const std::vector<std::uint8_t>& photo() {
    static const std::vector<std::uint8_t> pixels = [] {
        std::vector<std::uint8_t> rgbx(static_cast<std::size_t>(width) * height * 4);
        std::uint32_t noise = 2024;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                noise = noise * 1664525u + 1013904223u;
                int grain = static_cast<int>(noise >> 28) - 8;
                std::uint8_t* p = rgbx.data() + (static_cast<std::size_t>(y) * width + x) * 4;
                double wave = 60 * std::sin(x / 90.0) * std::cos(y / 70.0);
                int edge = (x / 300 + y / 200) % 2 ? 40 : 0;
                p[0] = static_cast<std::uint8_t>(std::clamp(110 + wave + edge + grain, 0.0, 255.0));
                p[1] = static_cast<std::uint8_t>(std::clamp(120 - wave / 2 + grain, 0.0, 255.0));
                p[2] = static_cast<std::uint8_t>(std::clamp(90 + edge + wave / 3 + grain, 0.0, 255.0));
                p[3] = 255;
            }
        }
        return rgbx;
    }();
    return pixels;
}

std::vector<std::uint8_t> encodedPhoto(int quality, bool progressive) {
    pctv_mozjpeg_options options;
    pctv_mozjpeg_default_options(quality, &options);
    options.progressive = progressive;
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    pctv_mozjpeg_encode(photo().data(), width * 4, width, height, PCTV_MOZJPEG_LAYOUT_RGBX, &options, nullptr, 0, &out,
                        &length, nullptr, 0);
    std::vector<std::uint8_t> jpeg(out, out + length);
    pctv_mozjpeg_free(out);
    return jpeg;
}

void BM_EncodeJPEG(benchmark::State& state) {
    pctv_mozjpeg_options options;
    pctv_mozjpeg_default_options(static_cast<int>(state.range(0)), &options);
    for (auto _ : state) {
        std::uint8_t* out = nullptr;
        std::size_t length = 0;
        pctv_mozjpeg_encode(photo().data(), width * 4, width, height, PCTV_MOZJPEG_LAYOUT_RGBX, &options, nullptr, 0,
                            &out, &length, nullptr, 0);
        state.counters["bytes"] = static_cast<double>(length);
        pctv_mozjpeg_free(out);
    }
}
BENCHMARK(BM_EncodeJPEG)->Arg(80)->Arg(90)->Unit(benchmark::kMillisecond)->UseRealTime();

// One variant of the lossless rewrite of a sequential 4:2:0 file; arguments: progressive, turn
// (a quarter turn left needs only the width to be whole blocks).
void BM_ReoptimiseJPEG(benchmark::State& state) {
    static const std::vector<std::uint8_t> source = encodedPhoto(88, false);
    for (auto _ : state) {
        std::uint8_t* out = nullptr;
        std::size_t length = 0;
        pctv_mozjpeg_reoptimise(source.data(), source.size(), 1, static_cast<std::int32_t>(state.range(0)),
                                static_cast<std::uint32_t>(state.range(1)), &out, &length, nullptr, 0);
        state.counters["saved"] = static_cast<double>(source.size()) - static_cast<double>(length);
        pctv_mozjpeg_free(out);
    }
}
BENCHMARK(BM_ReoptimiseJPEG)
    ->Args({0, PCTV_MOZJPEG_TURN_NONE})
    ->Args({1, PCTV_MOZJPEG_TURN_NONE})
    ->Args({0, PCTV_MOZJPEG_TURN_ROT_270})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A 1200 x 900 corner of the photo: lossless WebP takes seconds per megapixel at method 4.
void BM_EncodeWebP(benchmark::State& state) {
    pctv_webp_options options{80, static_cast<std::int32_t>(state.range(0)), 4, 0, 0, nullptr, nullptr, nullptr, nullptr};
    if (options.lossless) options.quality = 100;
    for (auto _ : state) {
        std::uint8_t* out = nullptr;
        std::size_t length = 0;
        pctv_webp_encode(photo().data(), width * 4, 1200, 900, 0, &options, nullptr, 0, nullptr, 0, nullptr, 0, &out,
                         &length, nullptr, 0);
        state.counters["bytes"] = static_cast<double>(length);
        pctv_webp_free(out);
    }
}
BENCHMARK(BM_EncodeWebP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
