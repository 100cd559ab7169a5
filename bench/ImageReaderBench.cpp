// The image reader against libvips used directly on the same bytes: header reads, and whole
// decodes of a 12-megapixel JPEG and PNG into memory; and the same picture as a Photoshop file,
// raw and PackBits-coded, through our own reader.
#include "platform/read/ImageReader.h"
#include "platform/vips/VipsRuntime.h"

#include <benchmark/benchmark.h>
#include <vips/vips.h>

#include <algorithm>
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

void put(platform::Bytes& out, std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The PNG's picture as the merged image of a Photoshop file, its channels one after another,
// coded the way Photoshop codes rows (runs of equal bytes repeated, the rest literal).
const platform::Bytes& photoshopPhoto(bool packBits) {
    static std::map<bool, platform::Bytes> made;
    auto& bytes = made[packBits];
    if (!bytes.empty()) return bytes;
    auto reader = platform::ImageReader::open(std::make_shared<const platform::Bytes>(photo(".png")));
    const auto image = reader->imageAt(0).image;
    const auto width = static_cast<std::size_t>(image->width()), height = static_cast<std::size_t>(image->height());
    bytes = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
    put(bytes, 3, 2);
    put(bytes, height, 4);
    put(bytes, width, 4);
    put(bytes, 8, 2);
    put(bytes, 3, 2);
    put(bytes, 0, 12); // no colour mode data, resources or layers
    put(bytes, packBits ? 1 : 0, 2);
    std::vector<platform::Bytes> rows;
    for (int channel = 0; channel < 3; ++channel)
        for (std::size_t y = 0; y < height; ++y) {
            platform::Bytes row;
            for (std::size_t x = 0; x < width; ++x) row.push_back(image->row(static_cast<std::int64_t>(y))[x * 3 + static_cast<std::size_t>(channel)]);
            if (packBits) {
                platform::Bytes coded;
                for (std::size_t at = 0; at < row.size();) {
                    std::size_t run = 1;
                    while (at + run < row.size() && run < 128 && row[at + run] == row[at]) ++run;
                    if (run >= 3) {
                        coded.push_back(static_cast<std::uint8_t>(257 - run));
                        coded.push_back(row[at]);
                    } else {
                        run = std::min<std::size_t>(128, row.size() - at);
                        coded.push_back(static_cast<std::uint8_t>(run - 1));
                        coded.insert(coded.end(), row.begin() + static_cast<std::ptrdiff_t>(at), row.begin() + static_cast<std::ptrdiff_t>(at + run));
                    }
                    at += run;
                }
                row = std::move(coded);
                put(bytes, row.size(), 2);
            }
            rows.push_back(std::move(row));
        }
    for (const auto& row : rows) bytes.insert(bytes.end(), row.begin(), row.end());
    return bytes;
}

// Decodes the file's first image through the reader, as a conversion does.
void decodeThroughReader(benchmark::State& state, const std::shared_ptr<const platform::Bytes>& bytes) {
    for (auto _ : state) {
        auto reader = platform::ImageReader::open(bytes);
        auto image = reader->imageAt(0).image;
        benchmark::DoNotOptimize(image->data());
    }
    state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}

void readerDecode(benchmark::State& state, const std::string& suffix) {
    decodeThroughReader(state, std::make_shared<const platform::Bytes>(photo(suffix)));
}

void photoshopDecode(benchmark::State& state, bool packBits) {
    decodeThroughReader(state, std::make_shared<const platform::Bytes>(photoshopPhoto(packBits)));
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
BENCHMARK_CAPTURE(photoshopDecode, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(photoshopDecode, packBits, true)->Unit(benchmark::kMillisecond);
BENCHMARK(readerProperties)->Unit(benchmark::kMicrosecond);

} // namespace
