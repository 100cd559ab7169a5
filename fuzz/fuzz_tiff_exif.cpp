#include "platform/write/ImageWriter.h"
#include "platform/metadata/RawProfile.h"
#include "platform/metadata/TIFFExif.h"
#include "platform/metadata/ExifOrientation.h"
#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/TIFFResolutionUnit.h"
#include "platform/read/TIFFPageTags.h"
#include "platform/types/ImageTypeIdentifiers.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A small real TIFF, made once: the carried EXIF is what varies.
const platform::Bytes& sampleTiff() {
    static const platform::Bytes tiff = [] {
        auto pixels = std::make_shared<platform::Bytes>(4 * 4 * 3, 128);
        auto image = platform::Image::make(4, 4, 8, 3, platform::AlphaInfo::none, platform::ColourSpace::sRGB(),
                                           pixels, 12);
        return platform::ImageWriter::write(platform::types::tiff, {image}, {}).value_or(platform::Bytes{});
    }();
    return tiff;
}

} // namespace

// EXIF carried from a user's file is parsed by exiv2 when it goes into a TIFF, and so is a
// TIFF file read for its EXIF, any page's; a PNG's text may hold EXIF as hexadecimal digits.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    const platform::Bytes block(data, data + size);
    (void)platform::tiffWithExifAndIPTC(sampleTiff(), block, block);
    (void)platform::tiffFileExif(platform::ByteView(data, size));
    // A later page's tags are read from the bytes its tag readers need, its directory named
    // first; the first directory's own readers find there what they find in the whole file
    // with its header so patched.
    if (const auto second = platform::tiffPageTags(platform::ByteView(data, size), 1)) {
        const platform::ByteView tags = second->view();
        (void)platform::tiffFileExif(tags);
        platform::Bytes patched(data, data + size);
        std::copy(tags.data(), tags.data() + 8, patched.begin());
        const platform::ByteView whole(patched.data(), patched.size());
        if (platform::tiffIPTC(tags) != platform::tiffIPTC(whole) ||
            platform::exifOrientation(tags) != platform::exifOrientation(whole) ||
            platform::tiffResolutionHasNoUnit(tags) != platform::tiffResolutionHasNoUnit(whole))
            std::abort();
    }
    (void)platform::rawProfileBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
