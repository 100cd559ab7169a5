#pragma once
#include "platform/base/Bytes.h"

#include <optional>

// What a test reads back from a WebP file, with the library's own decoder and muxer.
namespace testing_support {

struct DecodedWebP {
    int width = 0, height = 0;
    platform::Bytes rgba; // straight, row by row
};

// The file's pixels; empty, and a test failure, when libwebp cannot decode it.
DecodedWebP decodeWebP(const platform::Bytes& webp);

// The payload of the file's chunk of this type; nothing when it has none.
std::optional<platform::Bytes> webpChunk(const platform::Bytes& webp, const char* fourcc);

} // namespace testing_support
