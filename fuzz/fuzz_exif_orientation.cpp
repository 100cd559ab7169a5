#include "platform/metadata/ExifOrientation.h"
#include "platform/metadata/ExifOutputFacts.h"
#include "platform/metadata/ExifRepair.h"
#include "platform/metadata/TIFFResolutionUnit.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Carried EXIF comes straight from user files; the editors must refuse or produce a block
// whose orientation reads back as written (and whose size is the same, or no larger once its
// thumbnail is out), never read or write outside it.
// A damaged block is written anew with nothing a reader finds damaged, or left out.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int orientation = data[0] % 10;
    const platform::Bytes block(data + 1, data + size);
    const auto patched = platform::exifWithOrientation(block, orientation);
    if (patched && platform::exifOrientation(*patched) != orientation) std::abort();
    (void)platform::exifOrientation(block);
    const auto sized = platform::exifWithPixelDimensions(block, 1 + data[0] * 300, 70'000);
    if (sized && sized->size() != block.size()) std::abort();
    // Without its thumbnail the block is no larger, and links none.
    const auto withoutThumbnail = platform::exifWithoutThumbnail(block);
    if (withoutThumbnail && (withoutThumbnail->size() > block.size() || platform::exifWithoutThumbnail(*withoutThumbnail)))
        std::abort();
    (void)platform::tiffResolutionHasNoUnit(block);
    const auto repaired = platform::repairedExif(block);
    if (repaired.block && !platform::exifDamages(platform::ByteView(repaired.block->data(), repaired.block->size())).empty())
        std::abort();
    if (repaired.leftOut.empty() != (repaired.block == block)) std::abort();
    return 0;
}
