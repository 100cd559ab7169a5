#include "platform/write/PNGResolution.h"

#include "platform/base/BigEndian.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace platform {

std::optional<Bytes> pngWithResolutionOfNoUnit(Bytes png, double across, double down) {
    constexpr std::size_t signature = 8;
    const double largest = std::numeric_limits<std::int32_t>::max();
    const double x = std::round(across), y = std::round(down);
    if (!(x >= 1 && x <= largest && y >= 1 && y <= largest)) return std::nullopt;
    for (std::size_t at = signature; at + 12 <= png.size();) {
        const std::size_t length = readBigEndian32(png.data() + at);
        if (length > png.size() - at - 12) return std::nullopt;
        const char* type = reinterpret_cast<const char*>(png.data() + at + 4);
        if (std::memcmp(type, "IDAT", 4) == 0) return std::nullopt;
        if (std::memcmp(type, "pHYs", 4) == 0 && length == 9) {
            Bytes payload;
            appendBigEndian32(payload, static_cast<std::uint32_t>(x));
            appendBigEndian32(payload, static_cast<std::uint32_t>(y));
            payload.push_back(0);
            std::copy(payload.begin(), payload.end(), png.begin() + static_cast<std::ptrdiff_t>(at + 8));
            const uLong crc = crc32_z(crc32_z(0, nullptr, 0), png.data() + at + 4, 4 + length);
            Bytes stored;
            appendBigEndian32(stored, static_cast<std::uint32_t>(crc));
            std::copy(stored.begin(), stored.end(), png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
            return png;
        }
        at += 12 + length;
    }
    return std::nullopt;
}

} // namespace platform
