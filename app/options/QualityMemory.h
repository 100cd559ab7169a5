#pragma once
#include "app/options/QualityShape.h"

#include <array>
#include <cstdint>

namespace pictavo {

// The numbers a compression control comes back to when the user switches away from a mode and
// back: the last quality and the last target size seen or chosen while it was on screen. They
// belong to the control, not to the specification, and are never saved.
struct QualityMemory {
    std::int64_t lastQuality = 80;
    std::int64_t lastTargetBytes = 500'000;

    // Keeps the mode's number; lossless has none.
    void record(const QualityMode& mode);
    // The mode a segment stands for now.
    QualityMode mode(QualityShape shape) const;
};

// The file sizes the control offers, smallest first.
inline constexpr std::array<std::int64_t, 4> targetByteChoices{200'000, 500'000, 1'000'000, 5'000'000};

} // namespace pictavo
