#pragma once
#include <cstdint>

namespace platform {

// What the machine offers this process, read afresh on every call.
struct ProcessInfo {
    // Physical memory in bytes (not any container limit).
    static std::uint64_t physicalMemory();
    // Processors this process may run on (its affinity mask), at least 1.
    static std::int64_t activeProcessorCount();
};

} // namespace platform
