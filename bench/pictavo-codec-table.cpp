// Measures what a lossy codec setting costs and keeps, on real photographs: each photo is
// written through the platform writer at every setting asked, read back, and compared with
// the pixels the writer was given.
//
//   pictavo-codec-table heic|avif [--half-chroma] SETTINGS PHOTO...   libheif lossy qualities
//   pictavo-codec-table jp2 SETTINGS PHOTO...                         target PSNRs in dB
//   pictavo-codec-table jp2-quality SETTINGS PHOTO...                 our qualities, beside our JPEG at 80
//
// SETTINGS is a comma-separated list, such as 50,60,70. Prints one Markdown table: per
// setting the bytes of all photos together and the lowest, median and mean PSNR (over red,
// green and blue), then the same per photo.
#include "ImageEngine/Encoding/imageio/ImageIOEncoder.h"
#include "ImageEngine/Encoding/jpeg/MozJPEGEncoder.h"
#include "platform/pixels/PackedPixels.h"
#include "platform/read/ImageReader.h"
#include "platform/write/HEIFWriter.h"
#include "platform/write/JPEG2000Writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::Bytes;
using platform::ImageRef;

std::optional<platform::PackedPixels> rgb(const platform::Image& image) {
    return platform::packPixels(image, platform::PackingRules{.eightBit = true, .keepAlpha = false, .colourOnly = true});
}

// PSNR of the colour of `written` against `given`, both 8-bit RGB of one size.
std::optional<double> psnr(const platform::PackedPixels& given, const Bytes& written) {
    auto reader = platform::ImageReader::open(std::make_shared<const Bytes>(written));
    if (!reader) return std::nullopt;
    const auto decoded = reader->imageAt(0).image;
    if (!decoded || decoded->width() != given.width || decoded->height() != given.height) return std::nullopt;
    const auto back = rgb(*decoded);
    if (!back) return std::nullopt;
    double squares = 0;
    const std::size_t count = given.rowBytes() * static_cast<std::size_t>(given.height);
    for (std::size_t i = 0; i < count; ++i) {
        const double difference = double(given.data()[i]) - double(back->data()[i]);
        squares += difference * difference;
    }
    if (squares == 0) return 99.0;
    return 10 * std::log10(255.0 * 255.0 * double(count) / squares);
}

struct Measure {
    std::size_t bytes = 0;
    double psnr = 0;
};

struct Row {
    std::size_t bytes = 0;
    std::vector<double> psnrs;
};

std::vector<int> settingsFrom(const std::string& text) {
    std::vector<int> settings;
    std::stringstream stream(text);
    for (std::string item; std::getline(stream, item, ',');) settings.push_back(std::stoi(item));
    return settings;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool halfChroma = std::erase(args, "--half-chroma") > 0;
    if (args.size() < 3) {
        std::cerr << "usage: pictavo-codec-table heic|avif|jp2|jp2-quality [--half-chroma] SETTINGS PHOTO...\n";
        return 2;
    }
    const std::string codec = args[0];
    const auto settings = settingsFrom(args[1]);
    const std::vector<std::string> photos(args.begin() + 2, args.end());

    const platform::CarriedMetadata nothing;
    const pictavo::EncodeOptions plain(pictavo::EncodeEffort::final, pictavo::MetadataPolicy::strip);
    auto write = [&](const ImageRef& image, int setting) -> std::optional<Bytes> {
        if (codec == "heic" || codec == "avif") {
            const platform::HEIFWriter writer(codec == "heic" ? platform::HEIFWriter::Codec::hevc
                                                              : platform::HEIFWriter::Codec::av1);
            auto file = writer.write({image}, nothing, platform::HEIFWriter::Setting{setting, !halfChroma});
            return file ? std::optional<Bytes>(std::move(*file)) : std::nullopt;
        }
        if (codec == "jp2") {
            auto file = platform::JPEG2000Writer().writeAtTarget({image}, nothing, setting);
            return file ? std::optional<Bytes>(std::move(*file)) : std::nullopt;
        }
        auto options = plain;
        options.quality = setting;
        return pictavo::ImageIOEncoder(pictavo::OutputFormat::jpeg2000()).encode(image, options);
    };

    std::map<int, Row> rows;
    std::vector<std::string> perPhoto;
    std::size_t jpegBytes = 0;
    for (const auto& photo : photos) {
        auto reader = platform::ImageReader::open(fs::path(photo));
        const ImageRef image = reader ? reader->imageAt(0).image : nullptr;
        const auto given = image ? rgb(*image) : std::nullopt;
        if (!given) {
            std::cerr << photo << ": cannot be read\n";
            return 1;
        }
        const auto rgbImage = platform::Image::make(given->width, given->height, 8, 3, platform::AlphaInfo::none,
                                                    given->colourSpace, given->buffer, given->rowBytes());
        std::string line = "| " + fs::path(photo).filename().string() + " | " + std::to_string(given->width) + " × " +
                           std::to_string(given->height);
        if (codec == "jp2-quality") {
            auto options = plain;
            options.quality = 80;
            const auto jpeg = pictavo::MozJPEGEncoder().encode(rgbImage, options);
            jpegBytes += jpeg.size();
            line += " | " + std::to_string(jpeg.size());
        }
        for (const int setting : settings) {
            const auto file = write(rgbImage, setting);
            const auto quality = file ? psnr(*given, *file) : std::nullopt;
            if (!quality) {
                std::cerr << photo << " at " << setting << ": not written or not read back\n";
                return 1;
            }
            rows[setting].bytes += file->size();
            rows[setting].psnrs.push_back(*quality);
            char cell[64];
            std::snprintf(cell, sizeof cell, " | %zu, %.1f", file->size(), *quality);
            line += cell;
        }
        perPhoto.push_back(line + " |");
        std::cerr << photo << " done\n";
    }

    std::printf("| setting | bytes | lowest PSNR | median PSNR | mean PSNR |\n|---|---|---|---|---|\n");
    for (const auto& [setting, row] : rows) {
        double sum = 0;
        for (const double value : row.psnrs) sum += value;
        std::printf("| %d | %zu | %.1f | %.1f | %.1f |\n", setting, row.bytes,
                    *std::min_element(row.psnrs.begin(), row.psnrs.end()), median(row.psnrs),
                    sum / double(row.psnrs.size()));
    }
    if (codec == "jp2-quality") std::printf("\nOur JPEG at quality 80: %zu bytes\n", jpegBytes);
    std::printf("\n| photo | size |%s", codec == "jp2-quality" ? " JPEG 80 |" : "");
    for (const int setting : settings) std::printf(" %d: bytes, dB |", setting);
    std::printf("\n|---|---|%s", codec == "jp2-quality" ? "---|" : "");
    for (std::size_t i = 0; i < settings.size(); ++i) std::printf("---|");
    std::printf("\n");
    for (const auto& line : perPhoto) std::printf("%s\n", line.c_str());
    return 0;
}
