#pragma once
#include <QString>

#include <array>
#include <cstdint>

namespace pictavo {

// One unit of the file-size style (decimal: 1 kB is 1,000 bytes).
enum class ByteUnit { petabytes, terabytes, gigabytes, megabytes, kilobytes, bytes };

// Largest first: the order in which two equal-looking sizes are written again until they differ.
inline constexpr std::array<ByteUnit, 6> comparisonUnits{ByteUnit::petabytes, ByteUnit::terabytes,
                                                         ByteUnit::gigabytes, ByteUnit::megabytes,
                                                         ByteUnit::kilobytes, ByteUnit::bytes};

// A file size forced into one unit, with that unit's usual precision: whole kilobytes, one
// decimal of a megabyte, two of larger units, trailing zeros dropped; bytes are grouped
// ("12,345 bytes"). Zero is spelled out ("Zero kB").
QString byteCountText(std::int64_t bytes, ByteUnit unit);

} // namespace pictavo
