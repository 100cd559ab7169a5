#include "platform/pixels/Resampler.h"

#include "platform/pixels/BandRunner.h"

#include <algorithm>
#include <cmath>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Products of 8-bit pixels and 16-bit weights add up in 32 bits. The horizontal pass keeps
// this many fraction bits in its 16-bit results, so that the vertical pass rounds only once.
constexpr int intermediateBits = 6;
// Every destination pixel's weights, in absolute value, stay below this many units, so that
// a 16-bit intermediate times its weights (and the rounding term) fits in 32 bits.
constexpr std::int64_t weightMagnitudeLimit = 65504;

// The weights of each destination pixel as pairs of 16-bit values packed in 32 bits (an odd
// tap out paired with a zero), as one multiply-add of adjacent 16-bit lanes takes them; each
// pair is stored four times over, ready to load as a whole vector.
struct PairedWeights {
    static constexpr int copies = 4;
    int pairs = 0;
    std::vector<std::int32_t> values;

    explicit PairedWeights(const AxisSampling& axis) : pairs((axis.taps + 1) / 2) {
        values.resize(static_cast<std::size_t>(axis.destinationCount) * pairs * copies);
        for (std::int64_t d = 0; d < axis.destinationCount; ++d)
            for (int p = 0; p < pairs; ++p) {
                const std::int16_t* w = axis.weights.data() + static_cast<std::size_t>(d) * axis.taps + 2 * p;
                const auto low = static_cast<std::uint16_t>(w[0]);
                const auto high = static_cast<std::uint16_t>(2 * p + 1 < axis.taps ? w[1] : 0);
                const auto pair = static_cast<std::int32_t>(low | (static_cast<std::uint32_t>(high) << 16));
                std::fill_n(values.begin() + (static_cast<std::ptrdiff_t>(d) * pairs + p) * copies, copies, pair);
            }
    }
    const std::int32_t* of(std::int64_t d) const {
        return values.data() + static_cast<std::size_t>(d) * pairs * copies;
    }
};

// What every band of one draw shares.
struct Plan {
    const AxisSampling& columns;
    const AxisSampling& rows;
    PairedWeights columnPairs;
    PairedWeights rowPairs;
    int fractionBits;  // of the intermediate rows
    int horizontalShift;
    int verticalShift;

    Plan(const AxisSampling& c, const AxisSampling& r)
        : columns(c), rows(r), columnPairs(c), rowPairs(r), fractionBits(std::min(intermediateBits, c.weightBits)),
          horizontalShift(c.weightBits - fractionBits), verticalShift(r.weightBits + fractionBits) {}
};

std::int32_t rounded(std::int32_t sum, int shift) {
    return shift > 0 ? (sum + (std::int32_t(1) << (shift - 1))) >> shift : sum;
}

template <int C>
void horizontalPass(const std::uint8_t* line, const Plan& plan, std::int16_t* out) {
    const AxisSampling& columns = plan.columns;
    const int taps = columns.taps;
    for (std::int64_t d = 0; d < columns.destinationCount; ++d) {
        const std::int16_t* w = columns.weights.data() + static_cast<std::size_t>(d) * taps;
        const std::uint8_t* p = line + static_cast<std::size_t>(columns.start[d] - columns.firstSource) * C;
        std::int32_t sum[C] = {};
        for (int k = 0; k < taps; ++k)
            for (int c = 0; c < C; ++c) sum[c] += w[k] * p[k * C + c];
        for (int c = 0; c < C; ++c)
            out[d * C + c] = static_cast<std::int16_t>(
                std::clamp<std::int32_t>(rounded(sum[c], plan.horizontalShift), INT16_MIN, INT16_MAX));
    }
}

// Lanczos lobes overshoot; premultiplied colour may never exceed its alpha.
void clampPremultiplied(int channels, std::size_t pixels, std::uint8_t* values) {
    if (channels == 1) return;
    for (std::size_t i = 0; i < pixels; ++i) {
        std::uint8_t* pixel = values + i * channels;
        for (int c = 0; c < channels - 1; ++c) pixel[c] = std::min(pixel[c], pixel[channels - 1]);
    }
}

#if !defined(__SSE2__)
// `rows` holds the intermediate row of every tap, pairs of taps adjacent (an odd tap out
// repeated, with a zero weight).
void verticalPass(const std::int16_t* const* rows, const std::int32_t* weights, int pairs, int shift,
                  std::size_t values, std::uint8_t* out) {
    for (std::size_t i = 0; i < values; ++i) {
        std::int32_t sum = 0;
        for (int p = 0; p < pairs; ++p) {
            const std::int32_t pair = weights[p * PairedWeights::copies];
            const auto low = static_cast<std::int16_t>(pair & 0xffff);
            const auto high = static_cast<std::int16_t>(pair >> 16);
            sum += low * rows[2 * p][i] + high * rows[2 * p + 1][i];
        }
        out[i] = static_cast<std::uint8_t>(std::clamp<std::int32_t>(rounded(sum, shift), 0, 255));
    }
}
#endif

#if defined(__SSE2__)
__m128i pairAt(const std::int32_t* weights, int pair) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + pair * PairedWeights::copies));
}

// RGBA: two taps of all four channels in one multiply-add.
template <>
void horizontalPass<4>(const std::uint8_t* line, const Plan& plan, std::int16_t* out) {
    const AxisSampling& columns = plan.columns;
    const int pairs = plan.columnPairs.pairs;
    const int shift = plan.horizontalShift;
    const __m128i rounding = _mm_set1_epi32(shift > 0 ? 1 << (shift - 1) : 0);
    const __m128i count = _mm_cvtsi32_si128(shift);
    const __m128i zero = _mm_setzero_si128();
    for (std::int64_t d = 0; d < columns.destinationCount; ++d) {
        const std::int32_t* w = plan.columnPairs.of(d);
        const std::uint8_t* p = line + static_cast<std::size_t>(columns.start[d] - columns.firstSource) * 4;
        __m128i sum = zero;
        int k = 0;
        for (; k + 2 <= pairs; k += 2, p += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i y = _mm_srli_si128(x, 4);
            // r0 r1 g0 g1 b0 b1 a0 a1 in the low half; pixels 2 and 3 likewise in the high one.
            const __m128i first = _mm_unpacklo_epi8(_mm_unpacklo_epi8(x, y), zero);
            const __m128i second = _mm_unpacklo_epi8(_mm_unpackhi_epi8(x, y), zero);
            sum = _mm_add_epi32(sum, _mm_madd_epi16(first, pairAt(w, k)));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(second, pairAt(w, k + 1)));
        }
        if (k < pairs) {
            const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
            const __m128i pair = _mm_unpacklo_epi8(_mm_unpacklo_epi8(x, _mm_srli_si128(x, 4)), zero);
            sum = _mm_add_epi32(sum, _mm_madd_epi16(pair, pairAt(w, k)));
        }
        sum = _mm_sra_epi32(_mm_add_epi32(sum, rounding), count);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + d * 4), _mm_packs_epi32(sum, sum));
    }
}

// Eight values per step; `values` is padded to a multiple of eight.
void verticalPassVector(const std::int16_t* const* rows, const std::int32_t* weights, int pairs, int shift,
                        std::size_t values, bool rgba, std::uint8_t* out) {
    const __m128i rounding = _mm_set1_epi32(shift > 0 ? 1 << (shift - 1) : 0);
    const __m128i count = _mm_cvtsi32_si128(shift);
    const __m128i alphaMask = _mm_set1_epi32(static_cast<std::int32_t>(0xff000000u));
    for (std::size_t i = 0; i < values; i += 8) {
        __m128i low = _mm_setzero_si128();
        __m128i high = _mm_setzero_si128();
        for (int p = 0; p < pairs; ++p) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * p] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * p + 1] + i));
            const __m128i w = pairAt(weights, p);
            low = _mm_add_epi32(low, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), w));
            high = _mm_add_epi32(high, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), w));
        }
        low = _mm_sra_epi32(_mm_add_epi32(low, rounding), count);
        high = _mm_sra_epi32(_mm_add_epi32(high, rounding), count);
        const __m128i packed = _mm_packs_epi32(low, high);
        __m128i bytes = _mm_packus_epi16(packed, packed);
        if (rgba) { // colour at most alpha: spread each pixel's alpha over its four bytes
            __m128i alpha = _mm_and_si128(bytes, alphaMask);
            alpha = _mm_or_si128(alpha, _mm_srli_epi32(alpha, 8));
            alpha = _mm_or_si128(alpha, _mm_srli_epi32(alpha, 16));
            bytes = _mm_min_epu8(bytes, alpha);
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), bytes);
    }
}
#endif

void horizontal(int channels, const std::uint8_t* line, const Plan& plan, std::int16_t* out) {
    switch (channels) {
    case 4: horizontalPass<4>(line, plan, out); break;
    case 2: horizontalPass<2>(line, plan, out); break;
    default: horizontalPass<1>(line, plan, out); break;
    }
}

void vertical(int channels, const std::int16_t* const* rows, const std::int32_t* weights, int pairs, int shift,
              std::size_t values, std::uint8_t* out) {
#if defined(__SSE2__)
    verticalPassVector(rows, weights, pairs, shift, values, channels == 4, out);
    if (channels == 4) return;
#else
    verticalPass(rows, weights, pairs, shift, values, out);
#endif
    clampPremultiplied(channels, values / static_cast<std::size_t>(channels), out);
}

std::size_t paddedToEight(std::size_t values) { return (values + 7) / 8 * 8; }

void resampleBand(PixelRowConverter& converter, const Plan& plan, std::int64_t firstRow, std::int64_t endRow,
                  const ResampledRow& emit) {
    const AxisSampling& columns = plan.columns;
    const AxisSampling& rows = plan.rows;
    const int channels = converter.channelCount();
    const std::int64_t sourceCount = columns.endSource - columns.firstSource;
    const std::size_t rowValues = static_cast<std::size_t>(columns.destinationCount) * channels;
    // Whole vector steps past either end read spare values that a zero weight or no output uses.
    const std::size_t stride = paddedToEight(rowValues);
    const int taps = rows.taps;
    std::vector<std::uint8_t> line((static_cast<std::size_t>(sourceCount) + 4) * channels);
    std::vector<std::int16_t> ring(stride * taps);
    std::vector<std::uint8_t> sum(stride);
    std::vector<const std::int16_t*> tapRows(static_cast<std::size_t>(plan.rowPairs.pairs) * 2);
    std::int64_t nextSourceRow = INT64_MIN;
    for (std::int64_t j = firstRow; j < endRow; ++j) {
        const std::int64_t start = rows.start[j];
        for (std::int64_t r = std::max(nextSourceRow, start); r < start + taps; ++r) {
            converter.convert(r, columns.firstSource, sourceCount, line.data());
            horizontal(channels, line.data(), plan, ring.data() + static_cast<std::size_t>(r % taps) * stride);
        }
        nextSourceRow = std::max(nextSourceRow, start + taps);
        for (std::size_t k = 0; k < tapRows.size(); ++k) {
            const std::int64_t tap = std::min<std::int64_t>(static_cast<std::int64_t>(k), taps - 1);
            tapRows[k] = ring.data() + static_cast<std::size_t>((start + tap) % taps) * stride;
        }
        vertical(channels, tapRows.data(), plan.rowPairs.of(j), plan.rowPairs.pairs, plan.verticalShift, stride,
                 sum.data());
        emit(rows.firstDestination + j, sum.data());
    }
}

// Rounds each destination pixel's weights to fixed point and gives the rounding's remainder
// to its largest weight, so that they still sum to exactly one and flat colour stays flat.
// Fourteen fraction bits suit every Lanczos weight set; fewer only if a set ever outgrew
// the 16-bit weights or 32-bit sums.
void quantise(AxisSampling& axis, const std::vector<double>& weights) {
    const auto taps = static_cast<std::size_t>(axis.taps);
    axis.weights.resize(weights.size());
    for (axis.weightBits = 14; axis.weightBits >= 0; --axis.weightBits) {
        const double one = std::ldexp(1.0, axis.weightBits);
        bool fits = true;
        std::vector<std::int64_t> units(taps);
        for (std::size_t first = 0; first < weights.size() && fits; first += taps) {
            std::int64_t total = 0;
            std::int64_t magnitude = 0;
            std::size_t largest = first;
            for (std::size_t k = 0; k < taps; ++k) {
                units[k] = std::llround(std::clamp(weights[first + k] * one, -1e9, 1e9));
                total += units[k];
                if (weights[first + k] > weights[largest]) largest = first + k;
            }
            units[largest - first] += static_cast<std::int64_t>(one) - total;
            for (std::size_t k = 0; k < taps; ++k) {
                magnitude += std::abs(units[k]);
                fits = fits && units[k] >= INT16_MIN && units[k] <= INT16_MAX;
                axis.weights[first + k] = static_cast<std::int16_t>(std::clamp<std::int64_t>(units[k], INT16_MIN, INT16_MAX));
            }
            fits = fits && magnitude <= weightMagnitudeLimit;
        }
        if (fits || axis.weightBits == 0) return;
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
    std::vector<double> weights(count * axis.taps, 0.0);
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
            weights[i] = 1.0;
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
            weights[i * axis.taps + k] = folded[static_cast<std::size_t>(k)] / total;
    }
    quantise(axis, weights);
    axis.firstSource = *std::min_element(axis.start.begin(), axis.start.end());
    axis.endSource = *std::max_element(axis.start.begin(), axis.start.end()) + axis.taps;
    return axis;
}

bool inBands(std::int64_t rowCount, double sourcePixels, const PixelRowConverter::Factory& makeConverter,
             const Band& band) {
    if (rowCount <= 0) return true;
    // Bands pay off only when each has real work, and a draw cuts at most four; how many
    // threads run them is the band runner's choice.
    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    const auto bands = static_cast<std::int64_t>(std::min<double>(
        {4.0, static_cast<double>(hardware), std::floor(sourcePixels / 4.0e6) + 1.0, static_cast<double>(rowCount)}));
    std::vector<std::unique_ptr<PixelRowConverter>> converters;
    for (std::int64_t b = 0; b < bands; ++b) {
        converters.push_back(makeConverter());
        if (!converters.back()) return false;
    }
    BandRunner::Tasks tasks;
    for (std::int64_t b = 0; b < bands; ++b) {
        const std::int64_t first = rowCount * b / bands;
        const std::int64_t end = rowCount * (b + 1) / bands;
        tasks.emplace_back([&, b, first, end] { band(*converters[b], first, end); });
    }
    BandRunner::run(tasks);
    return true;
}

bool resample(const PixelRowConverter::Factory& makeConverter, const AxisSampling& columns, const AxisSampling& rows,
              const ResampledRow& emit) {
    if (columns.destinationCount == 0 || rows.destinationCount == 0) return true;
    const double sourcePixels = static_cast<double>(columns.endSource - columns.firstSource) *
                                static_cast<double>(rows.endSource - rows.firstSource);
    const Plan plan(columns, rows);
    return inBands(rows.destinationCount, sourcePixels, makeConverter,
                   [&](PixelRowConverter& converter, std::int64_t first, std::int64_t end) {
                       resampleBand(converter, plan, first, end, emit);
                   });
}

} // namespace platform
