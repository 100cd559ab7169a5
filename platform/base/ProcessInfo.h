#pragma once
#include <cstdint>

namespace platform {

// What the machine offers this process, read afresh on every call.
struct ProcessInfo {
    // Physical memory in bytes (not any container limit).
    static std::uint64_t physicalMemory();
    // Processors this process may run on (its affinity mask), at least 1.
    static std::int64_t activeProcessorCount();
    // Hands back to the system what the allocator keeps of the memory a parse of a document of
    // that many bytes has freed: a tree of many small pieces stays with the process once freed,
    // hundreds of megabytes for a document of tens, long after its work has ended. Nothing is
    // done for a document under a megabyte.
    static void releaseParsedMemory(std::uint64_t documentBytes);
};

} // namespace platform
