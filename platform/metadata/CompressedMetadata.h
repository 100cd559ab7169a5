#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <cstddef>
#include <optional>

namespace platform {

// Metadata a file keeps compressed (a PNG's compressed text chunks, a JPEG XL container's
// Brotli boxes) is inflated to at most this many bytes: as many as the file itself, which
// the conversion holds already, or 8 MB for a smaller file, as libpng allows its own text
// chunks. A few hundred bytes can otherwise stand for gigabytes.
std::size_t largestInflatedMetadata(std::size_t fileBytes);

// The bytes of a zlib stream (RFC 1950), or of a Brotli stream (RFC 7932); nothing when the
// stream is damaged, ends early, or inflates to more than `limit` bytes (inflating stops there).
std::optional<Bytes> zlibInflated(ByteView compressed, std::size_t limit);
std::optional<Bytes> brotliDecoded(ByteView compressed, std::size_t limit);

} // namespace platform
