#include "platform/metadata/JXLBoxes.h"

#include "platform/metadata/ExifGPS.h"

#include <string_view>

namespace platform {

JXLMetadata jxlMetadata(ByteView file) {
    JXLMetadata found;
    // The container's signature box comes first; a bare codestream has none.
    if (!file.startsWith(0, std::string_view("\0\0\0\x0CJXL \r\n\x87\n", 12))) return found;
    for (std::size_t at = 0; at < file.size();) {
        const auto size32 = file.u32be(at);
        if (!size32) break;
        std::size_t header = 8;
        std::uint64_t size = *size32;
        if (size == 1) {
            const auto high = file.u32be(at + 8), low = file.u32be(at + 12);
            if (!high || !low) break;
            size = std::uint64_t{*high} << 32 | *low;
            header = 16;
        } else if (size == 0) {
            size = file.size() - at; // the last box runs to the end of the file
        }
        if (size < header || size > file.size() - at) break;
        const ByteView body = file.sub(at + header, static_cast<std::size_t>(size) - header);
        if (file.startsWith(at + 4, "Exif") && !found.exif) {
            // The block starts that many bytes after the four that say so.
            const auto offset = body.u32be(0);
            if (offset && *offset <= body.size() - 4) {
                Bytes block = tiffStructuredExif(body.data() + 4 + *offset, body.size() - 4 - *offset);
                if (!block.empty()) found.exif = std::move(block);
            }
        } else if (file.startsWith(at + 4, "xml ") && !found.xmp && body.size() > 0) {
            found.xmp = std::string(reinterpret_cast<const char*>(body.data()), body.size());
        }
        at += static_cast<std::size_t>(size);
    }
    return found;
}

} // namespace platform
