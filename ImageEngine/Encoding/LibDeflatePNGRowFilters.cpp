#include "ImageEngine/Encoding/LibDeflatePNGEncoder.h"

#include "platform/RawDeflate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace pictavo {
namespace {

constexpr int filterTypes = 5;

struct RowLayout {
    std::size_t rowBytes;
    std::size_t height;
    std::size_t distance; // bytes between a sample and the same sample of the pixel to its left
};

std::optional<RowLayout> rowLayoutOf(const PNGChunks::Header& header) {
    const auto samples = header.samplesPerPixel();
    const auto rowBytes = header.rowByteCount();
    if (!samples || !rowBytes) return std::nullopt;
    const auto distance = std::max<std::int64_t>(1, *samples * header.bitDepth / 8);
    return RowLayout{static_cast<std::size_t>(*rowBytes), static_cast<std::size_t>(header.height),
                     static_cast<std::size_t>(distance)};
}

// Ties go first to the left neighbour, then to the one above.
inline std::uint8_t paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    if (pb <= pc) return static_cast<std::uint8_t>(b);
    return static_cast<std::uint8_t>(c);
}

// One row through one filter. `above` is the unfiltered row above, all zeros for the first.
void filterRow(int type, const std::uint8_t* row, const std::uint8_t* above, std::size_t length,
               std::size_t distance, std::uint8_t* out) {
    const std::size_t lead = std::min(distance, length);
    switch (type) {
    case 0: std::copy_n(row, length, out); break;
    case 1:
        std::copy_n(row, lead, out);
        for (std::size_t i = lead; i < length; ++i) out[i] = static_cast<std::uint8_t>(row[i] - row[i - distance]);
        break;
    case 2:
        for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<std::uint8_t>(row[i] - above[i]);
        break;
    case 3:
        for (std::size_t i = 0; i < lead; ++i) out[i] = static_cast<std::uint8_t>(row[i] - above[i] / 2);
        for (std::size_t i = lead; i < length; ++i)
            out[i] = static_cast<std::uint8_t>(row[i] - (row[i - distance] + above[i]) / 2);
        break;
    default:
        for (std::size_t i = 0; i < lead; ++i) out[i] = static_cast<std::uint8_t>(row[i] - paeth(0, above[i], 0));
        for (std::size_t i = lead; i < length; ++i)
            out[i] = static_cast<std::uint8_t>(row[i] - paeth(row[i - distance], above[i], above[i - distance]));
        break;
    }
}

// What one filtered row costs under a per-row heuristic; lower is better.
double signedMagnitudeSum(const std::uint8_t* bytes, std::size_t length) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum += bytes[i] < 128 ? bytes[i] : 256 - bytes[i];
    return static_cast<double>(sum);
}

// The bits an ideal order-0 coder would spend on the row.
double entropyCost(const std::uint8_t* bytes, std::size_t length) {
    std::array<std::uint32_t, 256> histogram{};
    for (std::size_t i = 0; i < length; ++i) ++histogram[bytes[i]];
    const double total = static_cast<double>(length);
    double cost = 0;
    for (const std::uint32_t count : histogram)
        if (count > 0) cost -= count * std::log2(count / total);
    return cost;
}

} // namespace

std::optional<platform::Bytes> LibDeflatePNGEncoder::unfilterRows(std::span<const std::uint8_t> filtered,
                                                                  const PNGChunks::Header& header) {
    const auto layout = rowLayoutOf(header);
    if (!layout || filtered.size() != layout->height * (layout->rowBytes + 1)) return std::nullopt;
    const std::size_t length = layout->rowBytes;
    const std::size_t distance = layout->distance;
    const std::size_t lead = std::min(distance, length);
    platform::Bytes raw(layout->height * length);
    const platform::Bytes zeros(length, 0);
    for (std::size_t y = 0; y < layout->height; ++y) {
        const std::uint8_t* in = filtered.data() + y * (length + 1);
        const std::uint8_t type = *in++;
        std::uint8_t* row = raw.data() + y * length;
        const std::uint8_t* above = y == 0 ? zeros.data() : row - length;
        switch (type) {
        case 0: std::copy_n(in, length, row); break;
        case 1:
            std::copy_n(in, lead, row);
            for (std::size_t i = lead; i < length; ++i) row[i] = static_cast<std::uint8_t>(in[i] + row[i - distance]);
            break;
        case 2:
            for (std::size_t i = 0; i < length; ++i) row[i] = static_cast<std::uint8_t>(in[i] + above[i]);
            break;
        case 3:
            for (std::size_t i = 0; i < lead; ++i) row[i] = static_cast<std::uint8_t>(in[i] + above[i] / 2);
            for (std::size_t i = lead; i < length; ++i)
                row[i] = static_cast<std::uint8_t>(in[i] + (row[i - distance] + above[i]) / 2);
            break;
        case 4:
            for (std::size_t i = 0; i < lead; ++i) row[i] = static_cast<std::uint8_t>(in[i] + paeth(0, above[i], 0));
            for (std::size_t i = lead; i < length; ++i)
                row[i] = static_cast<std::uint8_t>(in[i] + paeth(row[i - distance], above[i], above[i - distance]));
            break;
        default: return std::nullopt;
        }
    }
    return raw;
}

platform::Bytes LibDeflatePNGEncoder::filterRows(std::span<const std::uint8_t> raw, const PNGChunks::Header& header,
                                                 int strategy) {
    const auto layout = rowLayoutOf(header);
    if (!layout || raw.size() != layout->height * layout->rowBytes || strategy < 0 || strategy > minimumEntropyStrategy)
        return {};
    const std::size_t length = layout->rowBytes;
    platform::Bytes filtered(layout->height * (length + 1));
    const platform::Bytes zeros(length, 0);
    platform::Bytes scratch(strategy >= minimumSumStrategy ? filterTypes * length : 0);
    const auto cost = strategy == minimumSumStrategy ? signedMagnitudeSum : entropyCost;
    for (std::size_t y = 0; y < layout->height; ++y) {
        const std::uint8_t* row = raw.data() + y * length;
        const std::uint8_t* above = y == 0 ? zeros.data() : row - length;
        std::uint8_t* out = filtered.data() + y * (length + 1);
        if (strategy < minimumSumStrategy) {
            out[0] = static_cast<std::uint8_t>(strategy);
            filterRow(strategy, row, above, length, layout->distance, out + 1);
            continue;
        }
        int best = 0;
        double bestCost = std::numeric_limits<double>::infinity();
        for (int type = 0; type < filterTypes; ++type) {
            std::uint8_t* variant = scratch.data() + type * length;
            filterRow(type, row, above, length, layout->distance, variant);
            const double variantCost = cost(variant, length);
            if (variantCost < bestCost) {
                best = type;
                bestCost = variantCost;
            }
        }
        out[0] = static_cast<std::uint8_t>(best);
        std::copy_n(scratch.data() + best * length, length, out + 1);
    }
    return filtered;
}

int LibDeflatePNGEncoder::chooseFilterStrategy(std::span<const std::uint8_t> raw, const PNGChunks::Header& header,
                                               std::span<const int> candidates) {
    int best = noStrategy;
    std::size_t bestSize = std::numeric_limits<std::size_t>::max();
    for (const int candidate : candidates) {
        const platform::Bytes filtered = filterRows(raw, header, candidate);
        if (filtered.empty()) continue;
        const auto size = platformDeflatedSize(filtered);
        if (size && *size > 0 && *size < bestSize) {
            best = candidate;
            bestSize = *size;
        }
    }
    return best;
}

std::optional<platform::Bytes> LibDeflatePNGEncoder::refilterBelow(std::span<const std::uint8_t> raw,
                                                                   const PNGChunks::Header& header, std::size_t limit) {
    std::size_t threshold = limit == std::numeric_limits<std::size_t>::max() ? limit : limit - limit / 100;
    std::optional<platform::Bytes> best;
    for (const int strategy : refilterList) {
        platform::Bytes filtered = filterRows(raw, header, strategy);
        if (filtered.empty()) continue;
        const auto size = platformDeflatedSize(filtered);
        if (size && *size > 0 && *size < threshold) {
            threshold = *size;
            best = std::move(filtered);
        }
    }
    return best;
}

std::optional<std::size_t> LibDeflatePNGEncoder::platformDeflatedSize(std::span<const std::uint8_t> buffer) {
    const std::size_t n = buffer.size();
    return platform::rawDeflatedSize(buffer, n + n / 100 + 1024);
}

} // namespace pictavo
