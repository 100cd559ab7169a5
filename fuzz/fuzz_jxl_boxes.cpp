#include "platform/metadata/JXLBoxes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// A JPEG XL container's boxes come straight from a user's file: their sizes are never trusted.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto found = platform::jxlMetadata(platform::ByteView(data, size));
    if ((found.exif && found.exif->size() > size) || (found.xmp && found.xmp->size() > size)) std::abort();
    return 0;
}
