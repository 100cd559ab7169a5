#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform {

// The platform's own raw DEFLATE (RFC 1951) coder, zlib underneath. The program writes its
// zlib streams with libdeflate; this coder reads them back so that the check does not trust
// the writer, and gives a fast size estimate when choosing row filters.

// Decodes a raw DEFLATE body into `output`, never writing past its end. Gives the number of
// bytes produced when the stream reached its end; none for corrupt data, a stream that stops
// making progress (truncated), or output that fills up before the end. Bytes of the body after
// the end of the DEFLATE data are ignored.
std::optional<std::size_t> inflateRaw(std::span<const std::uint8_t> body, std::span<std::uint8_t> output);

// The size of `input` compressed as raw DEFLATE at level 5 when that is at most `limit` bytes;
// none when it would be larger, the input is empty, or the encoder fails. Only counts: the
// compressed bytes are not kept.
std::optional<std::size_t> rawDeflatedSize(std::span<const std::uint8_t> input, std::size_t limit);

} // namespace platform
