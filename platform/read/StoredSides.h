#pragma once
#include "platform/base/ByteView.h"

#include <cstdint>
#include <optional>

namespace platform {

// The sides a picture is stored at, as the first bytes of its file declare them, before
// anything is turned upright.
struct StoredSides {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// What a PNG's IHDR or a JPEG's frame header declares, from the start of the file; nothing
// for another format, or when the header is not among these bytes or does not read.
std::optional<StoredSides> storedSidesFromHeader(ByteView start);

} // namespace platform
