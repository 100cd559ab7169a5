#include "platform/metadata/ExifOrientation.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Carried EXIF comes straight from user files; the editor must refuse or produce a block
// whose orientation reads back as written, never read or write outside it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int orientation = data[0] % 10;
    const platform::Bytes block(data + 1, data + size);
    const auto patched = platform::exifWithOrientation(block, orientation);
    if (patched && platform::exifOrientation(*patched) != orientation) std::abort();
    (void)platform::exifOrientation(block);
    return 0;
}
