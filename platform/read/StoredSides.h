#pragma once
#include "platform/base/ByteSource.h"
#include "platform/base/ByteView.h"

#include <cstdint>
#include <optional>

namespace platform {

// The sides a picture is stored at, as the header of its file declares them, before
// anything is turned upright.
struct StoredSides {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// What the header of a PNG, a JPEG (its frame header, however far in after its metadata), a
// TIFF (the directory of the image at `index`, wherever it is), a WebP, a GIF, a BMP, a
// Photoshop file, a HEIF or AVIF file (its largest image), a JPEG 2000 file, a Netpbm file, a
// JPEG XL file (its codestream, behind any container boxes), an OpenEXR file (its data window),
// a Radiance file, a TGA file or an icon file (ICO or ICNS: its largest image, whatever the
// index) declares, read from the source only where the header points; nothing for another
// format, or when the header does not read.
std::optional<StoredSides> storedSidesFromHeader(const ByteSource& source, std::int64_t index = 0);
// The same from the first bytes of the file alone.
std::optional<StoredSides> storedSidesFromHeader(ByteView start);

} // namespace platform
