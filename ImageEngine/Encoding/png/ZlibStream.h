#pragma once
#include "platform/base/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace pictavo {

// PNG pixel data is one zlib stream (RFC 1950): a two-byte header, a raw DEFLATE body and an
// Adler-32 trailer. Neither function throws; a failure is an absent result and the caller
// keeps what it had.

// Reads a zlib stream that must decode to exactly `expectedLength` bytes. Nothing is allocated
// unless that length fits `budget`; the header, the exact length and the trailer are all checked.
std::optional<platform::Bytes> inflateZlib(std::span<const std::uint8_t> stream, std::size_t expectedLength,
                                           std::size_t budget);

// Compresses `buffer` with libdeflate at `level` (1 to 12) and keeps the stream only when the
// independent reader gives back the very same bytes within `budget`.
std::optional<platform::Bytes> deflateAndVerify(std::span<const std::uint8_t> buffer, int level,
                                                std::size_t budget);

} // namespace pictavo
