#pragma once
#include <cstdint>
#include <functional>
#include <optional>

namespace pictavo {

// Searches an encoder's quality range for the highest quality whose output still fits a
// byte target, with a bounded number of trial encodes.
struct TargetSizeSolver {
    struct QualityRange {
        std::int64_t lowest = 1;
        std::int64_t highest = 100;
    };

    struct Outcome {
        // Absent when the encoder has no quality setting.
        std::optional<std::int64_t> quality;
        std::int64_t bytes = 0;
        bool hitTarget = false;
        std::int64_t probes = 0;
        friend bool operator==(const Outcome&, const Outcome&) = default;
    };

    // `encodedBytes` encodes at a quality and returns the byte count; whatever it throws
    // ends the search and reaches the caller. An encode fits when it is at most
    // `targetBytes`. Without a quality dial the top of the range is encoded once. With one,
    // a binary search runs for at most `maxProbes` encodes; when nothing fits, the lowest
    // quality is the answer, encoded once more if the search never reached it.
    static Outcome solve(std::int64_t targetBytes, QualityRange range, std::int64_t maxProbes, bool hasQualityDial,
                         const std::function<std::int64_t(std::int64_t quality)>& encodedBytes);
};

} // namespace pictavo
