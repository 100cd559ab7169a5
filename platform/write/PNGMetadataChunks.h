#pragma once
#include "platform/base/Bytes.h"
#include "platform/metadata/CarriedMetadata.h"

#include <optional>

namespace platform {

// A PNG with its EXIF, XMP, comment and texts added as the format asks for them: one eXIf
// chunk, the XMP packet in an uncompressed iTXt chunk with the keyword "XML:com.adobe.xmp",
// the comment in a "Comment" text chunk and each text under its keyword (iTXt when it is
// UTF-8 beyond ASCII, else tEXt, as Latin-1 without its zero bytes), all right before the
// first IDAT chunk. The file is expected to carry none of them already. Nothing when the
// file's chunks cannot be walked to an IDAT or a payload is too long for a chunk.
std::optional<Bytes> pngWithMetadataChunks(const Bytes& png, const CarriedMetadata& metadata);

} // namespace platform
