#pragma once
#include "platform/base/Bytes.h"

#include <cstdint>

namespace platform {

// Four bytes read as the big-endian integer that PNG, ICC, JPEG 2000 and zlib store; the
// caller has checked that they are there.
inline std::uint32_t readBigEndian32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
           std::uint32_t{bytes[3]};
}

inline void appendBigEndian32(Bytes& output, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) output.push_back(static_cast<std::uint8_t>(value >> shift));
}

} // namespace platform
