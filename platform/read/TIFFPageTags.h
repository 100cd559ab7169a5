#pragma once
#include "platform/base/ByteView.h"
#include "platform/read/ZeroedPages.h"

#include <cstdint>
#include <optional>

namespace platform {

// What a reader of a TIFF's first directory (exiv2's, the orientation's, the IPTC's) needs to
// read the tags of the page at `index` instead, at the offsets they have in the file: the header,
// naming that page's directory first, the directory, its EXIF, GPS and interoperability
// directories and their values, a maker note's among them. Every other byte is a zero that takes
// no memory: the strips and tiles, the other pages, and the payloads libvips reads from the file
// itself (XMP, colour profile, Photoshop resources). A BigTIFF, which none of those readers
// reads, keeps its header alone. Nothing for the first page, whose tags are the file's own, or
// when the chain holds no such directory.
std::optional<ZeroedPages> tiffPageTags(ByteView tiff, std::int64_t index);

} // namespace platform
