#include "platform/write/ImageWriter.h"
#include "platform/metadata/RawProfile.h"
#include "platform/metadata/TIFFExif.h"
#include "platform/read/TIFFDirectory.h"
#include "platform/types/ImageTypeIdentifiers.h"

#include <cstddef>
#include <cstdint>

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
    // A later page's tags are read from the file with its directory first.
    if (const auto second = platform::tiffWithDirectoryFirst(platform::ByteView(data, size), 1))
        (void)platform::tiffFileExif(platform::ByteView(second->data(), second->size()));
    (void)platform::rawProfileBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
