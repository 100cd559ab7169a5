#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <optional>
#include <string>

namespace platform {

// The metadata a JPEG XL file keeps in boxes of its container (ISO BMFF), where libvips'
// reader does not look: the "Exif" box's block, TIFF-structured, and the "xml " box's XMP
// packet. A bare codestream holds neither; boxes compressed with Brotli ("brob") are not read.
struct JXLMetadata {
    std::optional<Bytes> exif;
    std::optional<std::string> xmp;
};
JXLMetadata jxlMetadata(ByteView file);

} // namespace platform
