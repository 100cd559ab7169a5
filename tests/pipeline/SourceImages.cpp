#include "SourceImages.h"

#include "support/EncodedSamples.h"

#include <algorithm>
#include <cmath>
#include <utility>
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

namespace {

// Uniform numbers in 0...1 from a fixed linear congruential sequence.
class Sequence {
public:
    explicit Sequence(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
    double next() {
        state_ = state_ * 1664525u + 1013904223u;
        return double(state_ >> 8) / double(1u << 24);
    }

private:
    std::uint32_t state_;
};

// Random values on a grid `cell` pixels apart, smoothly interpolated between.
class ValueNoise {
public:
    ValueNoise(int width, int height, int cell, Sequence& sequence)
        : cell_(cell), columns_(width / cell + 2), values_(static_cast<std::size_t>(columns_) * (height / cell + 2)) {
        for (auto& value : values_) value = sequence.next() * 2 - 1;
    }
    double at(int x, int y) const {
        const int cx = x / cell_, cy = y / cell_;
        const double fx = smooth(double(x % cell_) / cell_), fy = smooth(double(y % cell_) / cell_);
        const double top = grid(cx, cy) + (grid(cx + 1, cy) - grid(cx, cy)) * fx;
        const double bottom = grid(cx, cy + 1) + (grid(cx + 1, cy + 1) - grid(cx, cy + 1)) * fx;
        return top + (bottom - top) * fy;
    }

private:
    static double smooth(double t) { return t * t * (3 - 2 * t); }
    double grid(int cx, int cy) const { return values_[static_cast<std::size_t>(cy) * columns_ + cx]; }
    int cell_;
    int columns_;
    std::vector<double> values_;
};

} // namespace

Picture photoLike(int width, int height, std::uint32_t seed) {
    Sequence sequence(seed);
    // Natural pictures lose contrast in proportion to the fineness of their detail.
    std::vector<std::pair<ValueNoise, double>> texture;
    for (int cell = 64; cell >= 2; cell /= 2) texture.emplace_back(ValueNoise(width, height, cell, sequence), cell / 2.0);
    const ValueNoise tint(width, height, 48, sequence), hue(width, height, 96, sequence);
    struct Disc {
        double x, y, radius, red, green, blue;
        bool soft;
    };
    std::vector<Disc> discs;
    for (int i = 0; i < 5; ++i)
        discs.push_back({sequence.next() * width, sequence.next() * height, (0.08 + sequence.next() * 0.2) * width,
                         sequence.next() * 200 + 30, sequence.next() * 200 + 30, sequence.next() * 200 + 30, i % 2 == 0});

    Picture picture(width, height, 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double detail = 0;
            for (const auto& [noise, amplitude] : texture) detail += noise.at(x, y) * amplitude;
            const double light = 70 + 110 * (double(x) / width * 0.6 + double(y) / height * 0.4);
            double red = light + detail + 40 * tint.at(x, y), green = light + detail + 25 * hue.at(x, y),
                   blue = light * 0.8 + detail - 30 * tint.at(x, y);
            for (const auto& disc : discs) {
                const double distance = std::hypot(x - disc.x, y - disc.y);
                const double edge = disc.soft ? std::clamp((disc.radius - distance) / 12, 0.0, 1.0)
                                              : (distance < disc.radius ? 1.0 : 0.0);
                red += (disc.red + detail * 0.5 - red) * edge;
                green += (disc.green + detail * 0.5 - green) * edge;
                blue += (disc.blue + detail * 0.5 - blue) * edge;
            }
            const double grain = (sequence.next() - 0.5) * 4;
            std::uint8_t* p = picture.at(x, y);
            p[0] = static_cast<std::uint8_t>(std::clamp(std::lround(red + grain), 0L, 255L));
            p[1] = static_cast<std::uint8_t>(std::clamp(std::lround(green + grain), 0L, 255L));
            p[2] = static_cast<std::uint8_t>(std::clamp(std::lround(blue + grain), 0L, 255L));
        }
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
