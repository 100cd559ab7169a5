// Tells how many rewritten SVGs look different from their originals: each original and its
// rewrite (the file of the same name in each other folder) are drawn by the system drawer
// (librsvg) at the original's size, at most 512 pixels on the long edge, and compared.
//
//   pictavo-svg-compare ORIGINALS REWRITES...
//
// For each folder of rewrites, one JSON line: how many files it holds, how many differ at
// all, how many differ visibly (a component off by more than 32 of 255), and how many no
// longer draw although their original does.
#include "platform/files/FilePath.h"
#include "platform/vector/DrawingSurface.h"
#include "platform/vector/SVGDocument.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <optional>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Drawing {
    std::int64_t width = 0, height = 0;
    platform::ImageRef image;
};

std::optional<Drawing> draw(const fs::path& file, std::optional<std::pair<std::int64_t, std::int64_t>> size) {
    platform::Bytes bytes;
    try {
        bytes = platform::readWholeFile(file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const auto document = platform::SVGDocument::load(bytes);
    if (!document) return std::nullopt;
    const auto natural = document->naturalSize().value_or(platform::Size{256, 256});
    Drawing drawing;
    if (size) {
        std::tie(drawing.width, drawing.height) = *size;
    } else {
        const double scale = std::min(1.0, 512 / std::max(natural.width, natural.height));
        drawing.width = std::max<std::int64_t>(1, std::lround(natural.width * scale));
        drawing.height = std::max<std::int64_t>(1, std::lround(natural.height * scale));
    }
    auto surface = platform::DrawingSurface::create(drawing.width, drawing.height);
    if (!surface) return std::nullopt;
    const double w = static_cast<double>(drawing.width), h = static_cast<double>(drawing.height);
    if (!surface->draw([&](auto* context) { return document->drawStretched(context, natural, w, h); })) return std::nullopt;
    drawing.image = surface->makeImage();
    return drawing;
}

int largestDifference(const platform::Image& a, const platform::Image& b) {
    int largest = 0;
    for (std::int64_t y = 0; y < a.height(); ++y)
        for (std::size_t i = 0; i < static_cast<std::size_t>(a.width()) * 4; ++i)
            largest = std::max(largest, std::abs(int(a.row(y)[i]) - int(b.row(y)[i])));
    return largest;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: pictavo-svg-compare ORIGINALS REWRITES...\n";
        return 2;
    }
    std::vector<fs::path> originals;
    for (const auto& entry : fs::directory_iterator(argv[1]))
        if (entry.is_regular_file()) originals.push_back(entry.path());
    std::sort(originals.begin(), originals.end());
    for (int folder = 2; folder < argc; ++folder) {
        std::int64_t files = 0, differ = 0, visibly = 0, broken = 0;
        std::vector<std::string> visibleNames;
        for (const auto& original : originals) {
            const fs::path rewrite = fs::path(argv[folder]) / original.filename();
            if (!fs::exists(rewrite)) continue;
            ++files;
            const auto before = draw(original, std::nullopt);
            if (!before) continue;
            const auto after = draw(rewrite, std::pair{before->width, before->height});
            if (!after) {
                ++broken;
                visibleNames.push_back(original.filename().string());
                continue;
            }
            const int difference = largestDifference(*before->image, *after->image);
            if (difference > 0) ++differ;
            if (difference > 32) {
                ++visibly;
                visibleNames.push_back(original.filename().string());
            }
        }
        nlohmann::json summary = {{"folder", argv[folder]}, {"files", files}, {"differ", differ},
                                  {"differVisibly", visibly}, {"noLongerDraw", broken}};
        if (visibleNames.size() <= 20) summary["visiblyChanged"] = visibleNames;
        std::cout << summary.dump() << std::endl;
    }
    return 0;
}
