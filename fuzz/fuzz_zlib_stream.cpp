#include "ImageEngine/Encoding/png/ZlibStream.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

using namespace pictavo;

// Pixel data streams come straight from users' PNG files: the reader must give exactly the
// expected length or nothing, within its budget, and what it reads must survive a round trip.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const std::size_t expected = (std::size_t{data[0]} << 8 | data[1]) * 16 + (data[2] & 15);
    const int level = 1 + (data[2] >> 4) % 12;
    const std::span<const std::uint8_t> stream(data + 3, size - 3);
    const auto decoded = inflateZlib(stream, expected, 1 << 20);
    if (!decoded) return 0;
    if (decoded->size() != expected) std::abort();
    const auto written = deflateAndVerify(*decoded, level, 1 << 20);
    if (!written) std::abort();
    const auto readBack = inflateZlib(*written, expected, 1 << 20);
    if (!readBack || *readBack != *decoded) std::abort();
    return 0;
}
