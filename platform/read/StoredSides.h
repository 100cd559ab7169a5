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
    // The least each decoded pixel takes, at whatever size the picture is read.
    std::uint64_t bytesPerPixel = 1;
    // The least the reader holds beside the decoded pixels while it makes them, whatever
    // size it reads them at: a TIFF's strip or tile decompressed whole, a camera's raw data
    // and the picture libraw develops it into.
    std::uint64_t heldBeside = 0;
    // Whether the reader may read the picture smaller than it is stored when it is drawn
    // smaller; one that cannot holds every stored pixel whatever size is drawn.
    bool readsSmaller = true;
};

// What the header of a PNG, a JPEG (its frame header, however far in after its metadata), a
// TIFF (the directory of the image at `index`, wherever it is), a camera raw file (its raw
// picture, as libraw develops it), a WebP, a GIF, a BMP, a Photoshop file, a HEIF or AVIF file
// (its largest image), a JPEG 2000 file, a Netpbm file, a JPEG XL file (its codestream, behind
// any container boxes), an OpenEXR file (its data window), a Radiance file, a TGA file or an
// icon file (ICO or ICNS: its largest image, whatever the index) declares, read from the source
// only where the header points; nothing for another format, or when the header does not read.
std::optional<StoredSides> storedSidesFromHeader(const ByteSource& source, std::int64_t index = 0);
// The same from the first bytes of the file alone.
std::optional<StoredSides> storedSidesFromHeader(ByteView start);

} // namespace platform
