#include "platform/base/ProcessInfo.h"

#include <malloc.h>
#include <sched.h>
#include <unistd.h>

namespace platform {

std::uint64_t ProcessInfo::physicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

std::int64_t ProcessInfo::activeProcessorCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return count;
    }
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? online : 1;
}

void ProcessInfo::releaseParsedMemory(std::uint64_t documentBytes) {
    constexpr std::uint64_t released = 1024 * 1024;
    if (documentBytes >= released) malloc_trim(0);
}

} // namespace platform
