#include "platform/metadata/JXLBoxes.h"

#include "platform/base/ISOBoxes.h"
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
    forEachISOBox(file, [&](ByteView type, ByteView body) {
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
    });
    return found;
}

} // namespace platform
