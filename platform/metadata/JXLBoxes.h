#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <optional>
#include <string>

namespace platform {

// The metadata a JPEG XL file keeps in boxes of its container (ISO BMFF), where libvips'
// reader does not look: the "Exif" box's block, TIFF-structured, and the "xml " box's XMP
// packet, each as it stands or compressed with Brotli in a "brob" box, as cjxl keeps a
// transcoded JPEG's (within largestInflatedMetadata). A bare codestream holds neither.
struct JXLMetadata {
    std::optional<Bytes> exif;
    std::optional<std::string> xmp;
};
JXLMetadata jxlMetadata(ByteView file);

} // namespace platform
