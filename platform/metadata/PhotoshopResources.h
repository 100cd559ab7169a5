#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {

// Photoshop's image resources, as a JPEG's APP13 "Photoshop 3.0" segments, a TIFF's tag 34377,
// a Photoshop file's resource section and ImageMagick's "8bim" raw profile hold them: one
// after the other, each "8BIM", a 16-bit identifier, a name (a Pascal string padded to an even
// size), a 32-bit length and the data, padded to an even size.
inline constexpr std::string_view photoshopHeader{"Photoshop 3.0\0", 14};
inline constexpr std::uint16_t photoshopIPTCResource = 0x0404;

struct PhotoshopResource {
    std::uint16_t identifier = 0;
    ByteView data;
    ByteView whole; // from its signature to the end of its padding
};

// The resources of a block, the header first or not, up to the first that cannot be read.
std::vector<PhotoshopResource> photoshopResources(ByteView block);

// The blocks of a JPEG file's APP13 "Photoshop 3.0" segments, in file order: a run of such
// segments one after the other is one block cut where each segment was full, as ExifTool
// writes a block larger than one segment holds.
std::vector<Bytes> jpegPhotoshopBlocks(ByteView jpeg);

// The bytes of a tag's value in a TIFF file's first directory, however the tag is typed;
// nothing when the tag is not there or its value does not lie in the file.
std::optional<ByteView> tiffFirstDirectoryValue(ByteView tiff, std::uint16_t tag);

// The carried resources: every one of a block but those carried as metadata of their own kind
// (IPTC, the colour profile, EXIF, XMP), whole, one after the other. Nothing without any.
std::optional<Bytes> photoshopResourcesBesideMetadata(ByteView block);
// Those of a JPEG file's first APP13 block that holds any, and of a TIFF file's tag 34377.
std::optional<Bytes> jpegPhotoshopResources(ByteView jpeg);
std::optional<Bytes> tiffPhotoshopResources(ByteView tiff);

// The carried resources without the thumbnail Photoshop keeps among them; nothing when there
// was none. What is left may be empty.
std::optional<Bytes> photoshopResourcesWithoutThumbnail(const Bytes& resources);

// The carried resources written back as a block, the IPTC records (see IPTCRecords.h) as
// resource 0x0404 first when there are any.
Bytes photoshopBlock(const std::optional<Bytes>& records, const std::optional<Bytes>& resources);

} // namespace platform
