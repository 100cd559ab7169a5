#include "ImageEngine/Encoding/png/LibDeflatePNGEncoder.h"

#include "ImageEngine/Running/SpareProcessors.h"
#include "platform/base/RawDeflate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <mutex>
#include <vector>

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

// Filters rows [first, end) of `raw` into `out`, each row led by its filter byte. `scratch`
// holds the five variants of a row for the per-row strategies and grows on first use.
void filterBand(std::span<const std::uint8_t> raw, const RowLayout& layout, int strategy, std::size_t first,
                std::size_t end, std::uint8_t* out, platform::Bytes& scratch) {
    const std::size_t length = layout.rowBytes;
    const bool perRow = strategy >= LibDeflatePNGEncoder::minimumSumStrategy;
    if (perRow && scratch.size() < filterTypes * length) scratch.resize(filterTypes * length);
    const auto cost = strategy == LibDeflatePNGEncoder::minimumSumStrategy ? signedMagnitudeSum : entropyCost;
    const platform::Bytes zeros(first == 0 ? length : 0, 0); // above the first row
    for (std::size_t y = first; y < end; ++y, out += length + 1) {
        const std::uint8_t* row = raw.data() + y * length;
        const std::uint8_t* above = y == 0 ? zeros.data() : row - length;
        if (!perRow) {
            out[0] = static_cast<std::uint8_t>(strategy);
            filterRow(strategy, row, above, length, layout.distance, out + 1);
            continue;
        }
        int best = 0;
        double bestCost = std::numeric_limits<double>::infinity();
        for (int type = 0; type < filterTypes; ++type) {
            std::uint8_t* variant = scratch.data() + type * length;
            filterRow(type, row, above, length, layout.distance, variant);
            const double variantCost = cost(variant, length);
            if (variantCost < bestCost) {
                best = type;
                bestCost = variantCost;
            }
        }
        out[0] = static_cast<std::uint8_t>(best);
        std::copy_n(scratch.data() + best * length, length, out + 1);
    }
}

// The size past which the platform encoder's estimate gives none for `length` bytes.
std::size_t estimateBound(std::size_t length) { return length + length / 100 + 1024; }

// Filters the rows with one candidate after another, band by band, and counts each band's
// packed size while the band is still in cache. When the rows are kept, they go into a buffer
// of the whole image reused from trial to trial, and the rows of the best candidate so far are
// put aside, so the winner is never filtered twice; otherwise one band's room serves.
class FilterTrials {
public:
    FilterTrials(std::span<const std::uint8_t> raw, const RowLayout& layout, bool keepRows)
        : raw_(raw), layout_(layout), rowsPerBand_(std::max<std::size_t>(1, bandBytes / (layout.rowBytes + 1))),
          keepRows_(keepRows) {}

    // The platform-deflated size of the rows under `strategy` when it is at most `limit`, or
    // at most what `currentLimit` says after any band when it is given.
    std::optional<std::size_t> measure(int strategy, std::size_t limit,
                                       const std::function<std::size_t()>& currentLimit = {}) {
        const std::size_t stride = layout_.rowBytes + 1;
        measured_.resize(keepRows_ ? layout_.height * stride : std::min(layout_.height, rowsPerBand_) * stride);
        platform::RawDeflatedSizeCounter counter(limit);
        for (std::size_t first = 0; first < layout_.height; first += rowsPerBand_) {
            const std::size_t end = std::min(layout_.height, first + rowsPerBand_);
            std::uint8_t* band = measured_.data() + (keepRows_ ? first * stride : 0);
            filterBand(raw_, layout_, strategy, first, end, band, scratch_);
            if (currentLimit) counter.lowerLimit(currentLimit());
            if (!counter.add({band, (end - first) * stride})) return std::nullopt;
        }
        return counter.finish();
    }

    // Keeps the rows just measured as the best so far.
    void keepMeasured() { std::swap(measured_, kept_); }
    platform::Bytes takeKept() { return std::move(kept_); }

private:
    // Large enough to keep zlib busy between calls, small enough to stay in cache.
    static constexpr std::size_t bandBytes = 128 * 1024;

    std::span<const std::uint8_t> raw_;
    RowLayout layout_;
    std::size_t rowsPerBand_;
    bool keepRows_;
    platform::Bytes measured_;
    platform::Bytes kept_;
    platform::Bytes scratch_;
};

// The first of the candidates with the smallest size strictly below the threshold, as the
// trials one after another would find it; none when no size is below it.
std::optional<std::size_t> firstSmallest(const std::vector<std::optional<std::size_t>>& sizes, std::size_t threshold) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i] && *sizes[i] > 0 && *sizes[i] < threshold) {
            best = i;
            threshold = *sizes[i];
        }
    }
    return best;
}

// The trials measured side by side. Each trial stops counting once it cannot win against the
// trials that have finished: an earlier candidate wins a tie, so a later one must beat its
// size by a byte, while matching a later candidate's size is enough. The trial that the
// sequence would pick is therefore never stopped, and the choice is the same.
std::vector<std::optional<std::size_t>> measuredSideBySide(std::span<const std::uint8_t> raw, const RowLayout& layout,
                                                           const std::vector<int>& candidates, std::size_t limit) {
    std::vector<std::optional<std::size_t>> sizes(candidates.size());
    std::vector<bool> finished(candidates.size(), false);
    std::mutex lock;
    const auto limitFor = [&](std::size_t i) {
        const std::lock_guard guard(lock);
        std::size_t own = limit;
        for (std::size_t j = 0; j < candidates.size(); ++j)
            if (finished[j] && sizes[j] && *sizes[j] > 0) own = std::min(own, *sizes[j] - (j < i ? 1 : 0));
        return own;
    };
    std::vector<std::function<void()>> tasks;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        tasks.emplace_back([&, i] {
            FilterTrials trials(raw, layout, false);
            const auto size = trials.measure(candidates[i], limitFor(i), [&, i] { return limitFor(i); });
            const std::lock_guard guard(lock);
            sizes[i] = size;
            finished[i] = true;
        });
    }
    SpareProcessors::runSideBySide(tasks);
    return sizes;
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
    platform::Bytes filtered(layout->height * (layout->rowBytes + 1));
    platform::Bytes scratch;
    filterBand(raw, *layout, strategy, 0, layout->height, filtered.data(), scratch);
    return filtered;
}

std::optional<LibDeflatePNGEncoder::Filtering> LibDeflatePNGEncoder::bestFiltering(std::span<const std::uint8_t> raw,
                                                                                   const PNGChunks::Header& header,
                                                                                   std::span<const int> candidates,
                                                                                   std::size_t threshold) {
    const auto layout = rowLayoutOf(header);
    if (!layout || raw.size() != layout->height * layout->rowBytes || threshold == 0) return std::nullopt;
    std::vector<int> strategies;
    for (const int candidate : candidates)
        if (candidate >= 0 && candidate <= minimumEntropyStrategy) strategies.push_back(candidate);
    const std::size_t filteredLength = layout->height * (layout->rowBytes + 1);
    // Only a size strictly below the threshold can win, so counting stops past it.
    const std::size_t limit = std::min(estimateBound(filteredLength), threshold - 1);

    if (strategies.size() > 1 && filteredLength >= sideBySideLength && SpareProcessors::available() > 0) {
        const auto best = firstSmallest(measuredSideBySide(raw, *layout, strategies, limit), threshold);
        if (!best) return std::nullopt;
        return Filtering{strategies[*best], filterRows(raw, header, strategies[*best])};
    }

    const bool keepRows = filteredLength <= keptTrialLength;
    FilterTrials trials(raw, *layout, keepRows);
    std::optional<int> best;
    for (const int strategy : strategies) {
        const auto size = trials.measure(strategy, std::min(limit, threshold - 1));
        if (size && *size > 0 && *size < threshold) {
            best = strategy;
            threshold = *size;
            if (keepRows) trials.keepMeasured();
        }
    }
    if (!best) return std::nullopt;
    return Filtering{*best, keepRows ? trials.takeKept() : filterRows(raw, header, *best)};
}

std::optional<platform::Bytes> LibDeflatePNGEncoder::refilterBelow(std::span<const std::uint8_t> raw,
                                                                   const PNGChunks::Header& header, std::size_t limit,
                                                                   int packsToLimit) {
    const std::size_t threshold = limit == std::numeric_limits<std::size_t>::max() ? limit : limit - limit / 100;
    // Rows that pack to exactly the limit cannot pack below 99 % of it.
    std::vector<int> candidates;
    for (const int strategy : refilterList)
        if (strategy != packsToLimit) candidates.push_back(strategy);
    auto best = bestFiltering(raw, header, candidates, threshold);
    if (!best) return std::nullopt;
    return std::move(best->rows);
}

int LibDeflatePNGEncoder::singleFilterOf(std::span<const std::uint8_t> filtered, const PNGChunks::Header& header) {
    const auto layout = rowLayoutOf(header);
    if (!layout || filtered.size() != layout->height * (layout->rowBytes + 1)) return noStrategy;
    const std::uint8_t first = filtered[0];
    if (first >= filterTypes) return noStrategy;
    for (std::size_t y = 1; y < layout->height; ++y)
        if (filtered[y * (layout->rowBytes + 1)] != first) return noStrategy;
    return first;
}

std::optional<std::size_t> LibDeflatePNGEncoder::platformDeflatedSize(std::span<const std::uint8_t> buffer) {
    return platform::rawDeflatedSize(buffer, estimateBound(buffer.size()));
}

} // namespace pictavo
