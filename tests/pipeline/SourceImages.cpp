#include "SourceImages.h"

#include "support/EncodedSamples.h"

#include <algorithm>
#include <stdexcept>

namespace pipeline_testing {

Picture::Picture(int w, int h, int b)
    : width(w), height(h), bands(b), pixels(static_cast<std::size_t>(w) * h * b, 0) {}

namespace {

void paint(Picture& picture, int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    auto* p = picture.at(x, y);
    if (picture.bands <= 2) {
        p[0] = static_cast<std::uint8_t>((r * 2126 + g * 7152 + b * 722) / 10000);
    } else {
        p[0] = r;
        p[1] = g;
        p[2] = b;
    }
    if (picture.bands == 2 || picture.bands == 4) p[picture.bands - 1] = 255;
}

} // namespace

Picture quadrants(int width, int height, int bands) {
    constexpr std::uint8_t corners[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    Picture picture(width, height, bands);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto* colour = corners[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
            paint(picture, x, y, colour[0], colour[1], colour[2]);
        }
    return picture;
}

Picture gradient(int width, int height, int bands) {
    Picture picture(width, height, bands);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            paint(picture, x, y, static_cast<std::uint8_t>(255 * x / std::max(1, width - 1)),
                  static_cast<std::uint8_t>(255 * y / std::max(1, height - 1)),
                  static_cast<std::uint8_t>((x * 7 + y * 3) % 256));
    return picture;
}

Picture filled(int width, int height, std::vector<std::uint8_t> colour) {
    Picture picture(width, height, static_cast<int>(colour.size()));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) std::copy(colour.begin(), colour.end(), picture.at(x, y));
    return picture;
}

Picture displayed(const Picture& stored, int orientation) {
    const int w = stored.width, h = stored.height;
    const bool swaps = orientation >= 5 && orientation <= 8;
    Picture out(swaps ? h : w, swaps ? w : h, stored.bands);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = h - 1 - x; break;
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;
            case 8: sx = w - 1 - y; sy = x; break;
            default: break;
            }
            std::copy_n(stored.at(sx, sy), stored.bands, out.at(x, y));
        }
    return out;
}

Picture storedFor(const Picture& upright, int orientation) {
    // Every orientation undoes itself except the two quarter turns, which undo each other.
    int inverse = orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
    return displayed(upright, inverse);
}

platform::Bytes encode(const Picture& picture, const std::string& suffix, int orientation, platform::Bytes icc) {
    testing_support::SampleImage file;
    file.width = picture.width;
    file.height = picture.height;
    file.bands = picture.bands;
    file.cmyk = picture.cmyk;
    if (orientation != 1) file.orientation = orientation;
    if (!icc.empty()) file.icc = std::move(icc);
    auto bytes = testing_support::encodePixels(picture.pixels, file, suffix);
    if (!bytes) throw std::runtime_error("libvips could not write " + suffix);
    return *bytes;
}

} // namespace pipeline_testing
