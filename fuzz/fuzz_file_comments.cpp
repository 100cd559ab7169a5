#include "platform/metadata/GIFMetadata.h"
#include "platform/metadata/JPEGComment.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// A GIF's blocks and a JPEG's segments come straight from a user's file: their lengths are
// never trusted, and nothing read from them is longer than the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const platform::ByteView file(data, size);
    const auto gif = platform::gifMetadata(file);
    if ((gif.comment && gif.comment->size() > size) || (gif.xmp && gif.xmp->size() > size)) std::abort();
    const auto comment = platform::jpegComment(file);
    if (comment && comment->size() > size) std::abort();
    return 0;
}
