#include "platform/metadata/JXLBoxes.h"

#include "platform/metadata/CompressedMetadata.h"
#include "platform/metadata/ExifGPS.h"

#include <string_view>

namespace platform {
namespace {

void readExif(ByteView body, JXLMetadata& found) {
    // The block starts that many bytes after the four that say so.
    const auto offset = body.u32be(0);
    if (offset && *offset <= body.size() - 4) {
        Bytes block = tiffStructuredExif(body.data() + 4 + *offset, body.size() - 4 - *offset);
        if (!block.empty()) found.exif = std::move(block);
    }
}

} // namespace

JXLMetadata jxlMetadata(ByteView file) {
    JXLMetadata found;
    std::size_t inflatable = largestInflatedMetadata(file.size());
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
        ByteView body = file.sub(at + header, static_cast<std::size_t>(size) - header);
        ByteView type = file.sub(at + 4, 4);
        // A Brotli box holds the type of the box it stands for, then that box's body compressed.
        std::optional<Bytes> decoded;
        if (type.startsWith(0, "brob") && body.size() > 4 &&
            ((body.startsWith(0, "Exif") && !found.exif) || (body.startsWith(0, "xml ") && !found.xmp))) {
            decoded = brotliDecoded(body.sub(4, body.size() - 4), inflatable);
            // A box that does not decode within the bound is passed over, as one of no known type.
            type = decoded ? body.sub(0, 4) : ByteView();
            body = decoded ? ByteView(decoded->data(), decoded->size()) : ByteView();
            if (decoded) inflatable -= decoded->size();
        }
        if (type.startsWith(0, "Exif") && !found.exif) {
            readExif(body, found);
        } else if (type.startsWith(0, "xml ") && !found.xmp && body.size() > 0) {
            found.xmp = std::string(reinterpret_cast<const char*>(body.data()), body.size());
        }
        at += static_cast<std::size_t>(size);
    }
    return found;
}

} // namespace platform
