#include "platform/metadata/CompressedMetadata.h"
#include "platform/metadata/JXLBoxes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// A JPEG XL container's boxes come straight from a user's file: their sizes are never trusted,
// and what its Brotli boxes decode to stays within the bound.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto found = platform::jxlMetadata(platform::ByteView(data, size));
    const std::size_t foundBytes = (found.exif ? found.exif->size() : 0) + (found.xmp ? found.xmp->size() : 0);
    if (foundBytes > platform::largestInflatedMetadata(size) + size) std::abort();
    return 0;
}
