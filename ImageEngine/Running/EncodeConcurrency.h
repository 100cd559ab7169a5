#pragma once
#include <cstdint>

namespace pictavo {

// How many conversions may hold pixels at once, and how many bytes one of them may spend
// on its largest pixel buffer. Both are read afresh from the machine on every call.
struct EncodeConcurrency {
    static constexpr std::uint64_t memoryPerConversion = 2'684'354'560ULL; // 2.5 GiB

    static std::int64_t width();
    static std::int64_t pixelBudget();

    // One conversion per 2.5 GiB, never more than the processors less two, and never
    // fewer than two: a one-processor machine still gets two.
    static std::int64_t width(std::uint64_t physicalMemory, std::int64_t activeProcessors);
    static std::int64_t pixelBudget(std::uint64_t physicalMemory, std::int64_t width);
};

} // namespace pictavo
