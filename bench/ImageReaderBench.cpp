// The image reader against libvips used directly on the same bytes: header reads, and whole
// decodes of a 12-megapixel JPEG and PNG into memory.
#include "platform/read/ImageReader.h"
#include "platform/vips/VipsRuntime.h"

#include <benchmark/benchmark.h>
#include <vips/vips.h>

#include <map>
#include <string>
#include <vector>

namespace {

const platform::Bytes& photo(const std::string& suffix) {
    static std::map<std::string, platform::Bytes> made;
    auto& bytes = made[suffix];
    if (bytes.empty()) {
        platform::startVips();
        VipsImage* noise = nullptr;
        VipsImage* photo = nullptr;
        // Smooth gradients with some noise, as a photograph compresses.
        vips_gaussnoise(&noise, 4000, 3000, "sigma", 20.0, "mean", 128.0, nullptr);
        VipsImage* bands[3] = {noise, noise, noise};
        vips_bandjoin(bands, &photo, 3, nullptr);
        VipsImage* cast = nullptr;
        vips_cast_uchar(photo, &cast, nullptr);
        void* buffer = nullptr;
        std::size_t length = 0;
        vips_image_write_to_buffer(cast, suffix.c_str(), &buffer, &length, nullptr);
        bytes.assign(static_cast<std::uint8_t*>(buffer), static_cast<std::uint8_t*>(buffer) + length);
        g_free(buffer);
        g_object_unref(cast);
        g_object_unref(photo);
        g_object_unref(noise);
    }
    return bytes;
}

void readerDecode(benchmark::State& state, const std::string& suffix) {
    const auto bytes = std::make_shared<const platform::Bytes>(photo(suffix));
    for (auto _ : state) {
        auto reader = platform::ImageReader::open(bytes);
        auto image = reader->imageAt(0).image;
        benchmark::DoNotOptimize(image->data());
    }
    state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}

void vipsDecode(benchmark::State& state, const std::string& suffix) {
    const auto& bytes = photo(suffix);
    auto* load = suffix == ".png" ? vips_pngload_buffer : vips_jpegload_buffer;
    for (auto _ : state) {
        VipsImage* image = nullptr;
        load(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), &image, "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
        std::size_t length = 0;
        void* pixels = vips_image_write_to_memory(image, &length);
        benchmark::DoNotOptimize(pixels);
        g_free(pixels);
        g_object_unref(image);
    }
    state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}

void readerProperties(benchmark::State& state) {
    const auto bytes = std::make_shared<const platform::Bytes>(photo(".jpg[Q=90]"));
    for (auto _ : state) {
        auto reader = platform::ImageReader::open(bytes);
        benchmark::DoNotOptimize(reader->propertiesAt(0));
    }
}

BENCHMARK_CAPTURE(readerDecode, jpeg, std::string(".jpg[Q=90]"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(vipsDecode, jpeg, std::string(".jpg[Q=90]"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readerDecode, png, std::string(".png"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(vipsDecode, png, std::string(".png"))->Unit(benchmark::kMillisecond);
BENCHMARK(readerProperties)->Unit(benchmark::kMicrosecond);

} // namespace
