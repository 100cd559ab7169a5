#include "ImageEngine/Pipeline/TargetSizeSolver.h"

#include <limits>

namespace pictavo {

TargetSizeSolver::Outcome TargetSizeSolver::solve(std::int64_t targetBytes, QualityRange range, std::int64_t maxProbes,
                                                  bool hasQualityDial,
                                                  const std::function<std::int64_t(std::int64_t)>& encodedBytes) {
    if (!hasQualityDial) {
        const std::int64_t bytes = encodedBytes(range.highest);
        return {std::nullopt, bytes, bytes <= targetBytes, 1};
    }

    std::int64_t low = range.lowest;
    std::int64_t high = range.highest;
    std::int64_t probes = 0;
    std::optional<std::int64_t> best;
    std::int64_t bestBytes = 0;
    std::optional<std::int64_t> lowestBytes;

    while (low <= high && probes < maxProbes) {
        // Halved as a wider integer, truncating toward zero, so no range can overflow the sum.
        const auto mid = static_cast<std::int64_t>((static_cast<__int128>(low) + high) / 2);
        const std::int64_t bytes = encodedBytes(mid);
        ++probes;
        if (mid == range.lowest) lowestBytes = bytes;
        if (bytes <= targetBytes) {
            if (!best || mid > *best) {
                best = mid;
                bestBytes = bytes;
            }
            if (mid == std::numeric_limits<std::int64_t>::max()) break;
            low = mid + 1;
        } else {
            if (mid == std::numeric_limits<std::int64_t>::min()) break;
            high = mid - 1;
        }
    }

    if (best) return {best, bestBytes, true, probes};
    if (lowestBytes) return {range.lowest, *lowestBytes, false, probes};
    return {range.lowest, encodedBytes(range.lowest), false, probes + 1};
}

} // namespace pictavo
