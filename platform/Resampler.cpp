#include "platform/Resampler.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>

namespace platform {
namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double lanczosRadius = 3.0;

double sinc(double x) {
    if (std::fabs(x) < 1e-12) return 1.0;
    return std::sin(pi * x) / (pi * x);
}

double lanczos3(double x) {
    if (std::fabs(x) >= lanczosRadius) return 0.0;
    return sinc(x) * sinc(x / lanczosRadius);
}

// Four lanes of floats: one RGBA pixel per vector operation.
typedef float Lanes __attribute__((vector_size(16)));

template <int C>
void horizontalPass(const float* line, const AxisSampling& columns, float* out) {
    const int taps = columns.taps;
    for (std::int64_t d = 0; d < columns.destinationCount; ++d) {
        const float* w = columns.weights.data() + static_cast<std::size_t>(d) * taps;
        const float* p = line + static_cast<std::size_t>(columns.start[d] - columns.firstSource) * C;
        if constexpr (C == 4) {
            Lanes sum = {0, 0, 0, 0};
            for (int k = 0; k < taps; ++k) {
                Lanes pixel;
                __builtin_memcpy(&pixel, p + k * 4, sizeof pixel);
                sum += w[k] * pixel;
            }
            __builtin_memcpy(out + d * 4, &sum, sizeof sum);
        } else {
            float sum[C] = {};
            for (int k = 0; k < taps; ++k)
                for (int c = 0; c < C; ++c) sum[c] += w[k] * p[k * C + c];
            for (int c = 0; c < C; ++c) out[d * C + c] = sum[c];
        }
    }
}

void horizontal(int channels, const float* line, const AxisSampling& columns, float* out) {
    switch (channels) {
    case 4: horizontalPass<4>(line, columns, out); break;
    case 2: horizontalPass<2>(line, columns, out); break;
    default: horizontalPass<1>(line, columns, out); break;
    }
}

// Lanczos lobes overshoot; premultiplied colour may never exceed its alpha.
void clampPremultiplied(int channels, std::size_t pixels, float* values) {
    for (std::size_t i = 0; i < pixels; ++i) {
        float* pixel = values + i * channels;
        const float alpha = std::clamp(pixel[channels - 1], 0.0f, 255.0f);
        pixel[channels - 1] = alpha;
        for (int c = 0; c < channels - 1; ++c) pixel[c] = std::clamp(pixel[c], 0.0f, alpha);
    }
}

void resampleBand(PixelRowConverter& converter, const AxisSampling& columns, const AxisSampling& rows,
                  std::int64_t firstRow, std::int64_t endRow, const ResampledRow& emit) {
    const int channels = converter.channelCount();
    const std::int64_t sourceCount = columns.endSource - columns.firstSource;
    const std::size_t rowValues = static_cast<std::size_t>(columns.destinationCount) * channels;
    const int taps = rows.taps;
    std::vector<std::uint8_t> line(static_cast<std::size_t>(sourceCount) * channels);
    std::vector<float> floats(line.size());
    std::vector<float> ring(rowValues * taps);
    std::vector<float> sum(rowValues);
    std::int64_t nextSourceRow = INT64_MIN;
    for (std::int64_t j = firstRow; j < endRow; ++j) {
        const std::int64_t start = rows.start[j];
        for (std::int64_t r = std::max(nextSourceRow, start); r < start + taps; ++r) {
            converter.convert(r, columns.firstSource, sourceCount, line.data());
            for (std::size_t i = 0; i < line.size(); ++i) floats[i] = line[i];
            horizontal(channels, floats.data(), columns, ring.data() + static_cast<std::size_t>(r % taps) * rowValues);
        }
        nextSourceRow = std::max(nextSourceRow, start + taps);
        std::fill(sum.begin(), sum.end(), 0.0f);
        const float* w = rows.weights.data() + static_cast<std::size_t>(j) * taps;
        for (int k = 0; k < taps; ++k) {
            const float weight = w[k];
            if (weight == 0.0f) continue;
            const float* source = ring.data() + static_cast<std::size_t>((start + k) % taps) * rowValues;
            float* target = sum.data();
            for (std::size_t i = 0; i < rowValues; ++i) target[i] += weight * source[i];
        }
        clampPremultiplied(channels, static_cast<std::size_t>(columns.destinationCount), sum.data());
        emit(rows.firstDestination + j, sum.data());
    }
}

} // namespace

AxisSampling AxisSampling::make(std::int64_t sourceLength, double origin, double length,
                                std::int64_t destinationLength, Interpolation interpolation) {
    AxisSampling axis;
    if (sourceLength <= 0 || destinationLength <= 0 || !(length > 0) || !std::isfinite(length) ||
        !std::isfinite(origin))
        return axis;
    const double end = origin + length;
    const double firstEdge = std::max(0.0, std::floor(origin));
    const double endEdge = std::min(static_cast<double>(destinationLength), std::ceil(end));
    if (!(endEdge > firstEdge)) return axis;
    axis.firstDestination = static_cast<std::int64_t>(firstEdge);
    axis.destinationCount = static_cast<std::int64_t>(endEdge) - axis.firstDestination;

    const double scale = length / static_cast<double>(sourceLength);
    axis.identity = length == static_cast<double>(sourceLength) && origin == std::floor(origin);
    const bool high = interpolation == Interpolation::high && !axis.identity;
    const double filterScale = std::max(1.0, 1.0 / scale);
    const double support = lanczosRadius * filterScale;
    // A rectangle far smaller than the image reads all of it, never more.
    const double wantedTaps = high ? std::ceil(2 * support) + 1 : 1;
    axis.taps = static_cast<int>(std::min(wantedTaps, static_cast<double>(sourceLength)));

    const auto count = static_cast<std::size_t>(axis.destinationCount);
    axis.start.resize(count);
    axis.weights.assign(count * axis.taps, 0.0f);
    axis.coverage.resize(count);
    std::vector<double> folded(axis.taps);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t d = axis.firstDestination + static_cast<std::int64_t>(i);
        const double dd = static_cast<double>(d);
        axis.coverage[i] = static_cast<float>(std::clamp(std::min(dd + 1, end) - std::max(dd, origin), 0.0, 1.0));
        // Beyond the edges every tap lands on the edge pixel anyway; the clamp keeps the
        // tap arithmetic finite for rectangles of extreme proportions.
        const double centre = std::clamp((dd + 0.5 - origin) / scale - 0.5, -1.0, static_cast<double>(sourceLength));
        if (!high) {
            const double nearest = std::clamp(std::floor(centre + 0.5), 0.0, static_cast<double>(sourceLength - 1));
            axis.start[i] = static_cast<std::int64_t>(nearest);
            axis.weights[i] = 1.0f;
            continue;
        }
        const auto lowest = static_cast<std::int64_t>(std::ceil(centre - support));
        const auto highest = static_cast<std::int64_t>(std::floor(centre + support));
        const std::int64_t first = std::clamp<std::int64_t>(lowest, 0, sourceLength - axis.taps);
        axis.start[i] = first;
        std::fill(folded.begin(), folded.end(), 0.0);
        double total = 0;
        for (std::int64_t s = lowest; s <= highest; ++s) {
            const double weight = lanczos3((static_cast<double>(s) - centre) / filterScale);
            const std::int64_t index = std::clamp<std::int64_t>(s, 0, sourceLength - 1);
            const std::int64_t slot = std::clamp<std::int64_t>(index - first, 0, axis.taps - 1);
            folded[static_cast<std::size_t>(slot)] += weight;
            total += weight;
        }
        if (!(std::fabs(total) > 1e-12)) total = 1;
        for (int k = 0; k < axis.taps; ++k)
            axis.weights[i * axis.taps + k] = static_cast<float>(folded[static_cast<std::size_t>(k)] / total);
    }
    axis.firstSource = *std::min_element(axis.start.begin(), axis.start.end());
    axis.endSource = *std::max_element(axis.start.begin(), axis.start.end()) + axis.taps;
    return axis;
}

bool inBands(std::int64_t rowCount, double sourcePixels, const PixelRowConverter::Factory& makeConverter,
             const Band& band) {
    if (rowCount <= 0) return true;
    // Bands pay off only when each has real work; the engine already runs several
    // conversions side by side, so a draw takes at most four threads.
    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    const auto bands = static_cast<std::int64_t>(std::min<double>(
        {4.0, static_cast<double>(hardware), std::floor(sourcePixels / 4.0e6) + 1.0, static_cast<double>(rowCount)}));
    std::vector<std::unique_ptr<PixelRowConverter>> converters;
    for (std::int64_t b = 0; b < bands; ++b) {
        converters.push_back(makeConverter());
        if (!converters.back()) return false;
    }
    std::vector<std::thread> threads;
    for (std::int64_t b = 1; b < bands; ++b) {
        const std::int64_t first = rowCount * b / bands;
        const std::int64_t end = rowCount * (b + 1) / bands;
        try {
            threads.emplace_back([&, b, first, end] { band(*converters[b], first, end); });
        } catch (const std::system_error&) { // no thread to be had: draw this band here
            band(*converters[b], first, end);
        }
    }
    band(*converters[0], 0, rowCount / bands);
    for (auto& thread : threads) thread.join();
    return true;
}

bool resample(const PixelRowConverter::Factory& makeConverter, const AxisSampling& columns, const AxisSampling& rows,
              const ResampledRow& emit) {
    if (columns.destinationCount == 0 || rows.destinationCount == 0) return true;
    const double sourcePixels = static_cast<double>(columns.endSource - columns.firstSource) *
                                static_cast<double>(rows.endSource - rows.firstSource);
    return inBands(rows.destinationCount, sourcePixels, makeConverter,
                   [&](PixelRowConverter& converter, std::int64_t first, std::int64_t end) {
                       resampleBand(converter, columns, rows, first, end, emit);
                   });
}

} // namespace platform
