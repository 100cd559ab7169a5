#pragma once
#include <cstdint>
#include <optional>
#include <span>

namespace platform {

// How many bytes a zlib stream (RFC 1950) inflates to, with its Adler-32 checksum checked,
// when it arrives cut into pieces (a PNG's IDAT chunks). The output goes through one small
// buffer and is dropped, so a stream of any length is checked in constant memory. None when
// the stream is corrupt, ends early, is followed by more bytes, or inflates to more than
// `limit` bytes (inflating stops there).
std::optional<std::uint64_t> zlibInflatedLength(std::span<const std::span<const std::uint8_t>> pieces,
                                                std::uint64_t limit);

} // namespace platform
