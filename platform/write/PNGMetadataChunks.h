#pragma once
#include "platform/base/Bytes.h"
#include "platform/metadata/XMPPacket.h"

#include <optional>

namespace platform {

// A PNG with its EXIF and XMP added as the format asks for them: one eXIf chunk and the
// XMP packet in an uncompressed iTXt chunk with the keyword "XML:com.adobe.xmp", both right
// before the first IDAT chunk. The file is expected to carry neither already. Nothing when
// the file's chunks cannot be walked to an IDAT or a payload is too long for a chunk.
std::optional<Bytes> pngWithMetadataChunks(const Bytes& png, const std::optional<Bytes>& exif,
                                           const std::optional<XMPPacket>& xmp);

} // namespace platform
