#include "ImageEngine/Running/EncodeConcurrency.h"

#include "platform/base/ProcessInfo.h"

#include <algorithm>
#include <limits>

namespace pictavo {

namespace {
constexpr auto largest = std::numeric_limits<std::int64_t>::max();
}

std::int64_t EncodeConcurrency::width(std::uint64_t physicalMemory, std::int64_t activeProcessors) {
    const std::int64_t byMemory = static_cast<std::int64_t>(physicalMemory / memoryPerConversion);
    const std::int64_t byProcessors = activeProcessors > std::numeric_limits<std::int64_t>::min() + 2
                                          ? activeProcessors - 2
                                          : std::numeric_limits<std::int64_t>::min();
    return std::max<std::int64_t>(2, std::min(byMemory, byProcessors));
}

std::int64_t EncodeConcurrency::pixelBudget(std::uint64_t physicalMemory, std::int64_t width) {
    const std::uint64_t divisor = static_cast<std::uint64_t>(std::max<std::int64_t>(width, 1));
    const std::uint64_t budget = physicalMemory / divisor / 5;
    return budget > static_cast<std::uint64_t>(largest) ? largest : static_cast<std::int64_t>(budget);
}

std::int64_t EncodeConcurrency::width() {
    return width(platform::ProcessInfo::physicalMemory(), platform::ProcessInfo::activeProcessorCount());
}

std::int64_t EncodeConcurrency::pixelBudget() {
    const std::uint64_t memory = platform::ProcessInfo::physicalMemory();
    return pixelBudget(memory, width(memory, platform::ProcessInfo::activeProcessorCount()));
}

} // namespace pictavo
