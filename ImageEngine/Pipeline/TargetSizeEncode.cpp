#include "ImageEngine/Pipeline/TargetSizeEncode.h"

#include "ImageEngine/Pipeline/TargetSizeSolver.h"
#include "ImageEngine/Encoding/ImageEncoder.h"
#include "platform/base/Cancellation.h"

namespace pictavo {

TargetSizeEncode::Output TargetSizeEncode::run(const ImageEncoder& encoder, std::int64_t targetBytes,
                                               EncodeEffort effort, const std::stop_token& stop,
                                               const Encode& encode) {
    const auto range = encoder.qualityRange();
    if (!encoder.supportsQuality()) {
        // The top of the range is passed although the encoder ignores it; these bytes are final.
        platform::throwIfCancelled(stop);
        return {encode(range.highest, effort), std::nullopt};
    }

    const EncodeEffort probeEffort = EncodeEffort::preview;
    const bool keepProbes = effort == EncodeEffort::preview || encoder.writesTheSameFileAtEveryEffort();

    // Only the best fitting probe and the lowest quality's probe can become the output.
    std::optional<std::int64_t> bestQuality;
    platform::Bytes bestBytes;
    platform::Bytes lowestBytes;
    auto probe = [&](std::int64_t quality) -> std::int64_t {
        platform::throwIfCancelled(stop);
        platform::Bytes bytes = encode(quality, probeEffort);
        const auto count = static_cast<std::int64_t>(bytes.size());
        if (keepProbes) {
            if (quality == range.lowest) lowestBytes = bytes;
            if (count <= targetBytes && (!bestQuality || quality > *bestQuality)) {
                bestQuality = quality;
                bestBytes = std::move(bytes);
            }
        }
        return count;
    };

    const auto outcome = TargetSizeSolver::solve(targetBytes, {range.lowest, range.highest}, maxProbes, true, probe);
    const std::int64_t chosen = outcome.quality.value_or(range.lowest);
    if (keepProbes) {
        if (outcome.hitTarget && bestQuality == chosen) return {std::move(bestBytes), chosen};
        if (chosen == range.lowest) return {std::move(lowestBytes), chosen};
    }
    platform::throwIfCancelled(stop);
    return {encode(chosen, effort), chosen};
}

} // namespace pictavo
