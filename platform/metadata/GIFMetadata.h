#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <optional>
#include <string>

namespace platform {

// What a GIF file holds besides its pictures, which its reader does not give.
struct GIFMetadata {
    // The text of its comment extensions, in file order, each after the last on a line of its own.
    std::optional<Bytes> comment;
    // The packet of its "XMP DataXMP" application extension, as Adobe's writers and ExifTool
    // store it: the packet's own bytes, then the 258-byte trailer that makes them sub-blocks.
    std::optional<std::string> xmp;
};

// Walks the file's blocks to its trailer, every length checked; what could be read before a
// block that cannot be is kept. Nothing of either for bytes that do not start a GIF.
GIFMetadata gifMetadata(ByteView gif);

} // namespace platform
