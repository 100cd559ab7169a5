#include "ImageEngine/Encoding/imageio/CompressionProbe.h"

#include "ImageEngine/Stages/Redraw.h"
#include "platform/write/ImageWriter.h"

#include <cstring>

namespace pictavo {
namespace {

constexpr int side = 32;

// The image drawn into a fresh premultiplied sRGB bitmap of the probe's size; nothing when
// the bitmap cannot be made or the image cannot be drawn, which leaves no answer rather
// than two empty buffers that would compare equal.
std::optional<platform::Bytes> drawn(const platform::ImageRef& image) {
    const auto result =
        redrawn(image, side, side, platform::ColourSpace::sRGB(), platform::BitmapLayout::premultipliedLast);
    if (!result) return std::nullopt;
    platform::Bytes pixels;
    pixels.reserve(side * side * 4);
    for (std::int64_t y = 0; y < side; ++y) pixels.insert(pixels.end(), result->row(y), result->row(y) + side * 4);
    return pixels;
}

} // namespace

platform::ImageRef CompressionProbe::probePattern() {
    auto pixels = std::make_shared<platform::Bytes>(side * side * 4);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            std::uint8_t* pixel = pixels->data() + (y * side + x) * 4;
            pixel[0] = static_cast<std::uint8_t>(255 * x / 31);
            pixel[1] = static_cast<std::uint8_t>(255 * y / 31);
            pixel[2] = (x + y) % 2 == 1 ? 255 : 0;
            pixel[3] = 255;
        }
    }
    return platform::Image::make(side, side, 8, 4, platform::AlphaInfo::noneSkipLast, platform::ColourSpace::sRGB(),
                                 std::move(pixels), side * 4);
}

std::optional<platform::Bytes> CompressionProbe::writeProbeImage(const platform::ImageRef& image,
                                                                 const std::string& identifier) {
    if (!image) return std::nullopt;
    auto bytes = platform::ImageWriter::write(identifier, {image}, platform::WriterProperties{});
    if (!bytes || bytes->empty()) return std::nullopt;
    return bytes;
}

std::optional<OutputFormat::Compression> CompressionProbe::probeCompression(const std::string& identifier,
                                                                            const ReadBack& readBack) {
    const auto pattern = probePattern();
    const auto written = writeProbeImage(pattern, identifier);
    if (!written) return std::nullopt;
    const auto back = readBack(*written);
    if (!back || back->width() != side || back->height() != side) return std::nullopt;
    const auto expected = drawn(pattern);
    const auto actual = drawn(back);
    if (!expected || !actual) return std::nullopt;
    return *expected == *actual ? OutputFormat::Compression::lossless : OutputFormat::Compression::lossy;
}

std::unordered_map<std::string, OutputFormat::Compression>
CompressionProbe::probedCompressions(const std::vector<OutputFormat>& writerFormats, const ReadBack& readBack) {
    std::unordered_map<std::string, OutputFormat::Compression> table;
    for (const auto& format : writerFormats) {
        if (format.isSameAsSource()) continue;
        const std::string identifier = format.id();
        if (OutputFormat::lossyIdentifiers().count(identifier) || OutputFormat::paletteIdentifiers().count(identifier))
            continue;
        if (auto answer = probeCompression(identifier, readBack)) table[identifier] = *answer;
    }
    return table;
}

} // namespace pictavo
