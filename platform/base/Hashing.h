#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

// Feeds one more value into a running hash, so that values hashed field by field in a
// fixed order hash alike exactly when their fields do.
inline void hashCombine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

template <typename T>
void hashCombineValue(std::size_t& seed, const T& value) {
    hashCombine(seed, std::hash<T>{}(value));
}

// Doubles that compare equal must hash alike: 0.0 and -0.0 share one bit pattern here.
inline std::size_t hashDouble(double value) {
    if (value == 0) value = 0;
    return std::hash<std::uint64_t>{}(std::bit_cast<std::uint64_t>(value));
}

} // namespace platform
