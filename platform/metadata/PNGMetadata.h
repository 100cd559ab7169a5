#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <optional>
#include <string>

namespace platform {

// The metadata of a PNG file wherever its chunks keep it, as ExifTool reads it: the eXIf
// chunk before or after the pixel data (ImageMagick writes it after, where libvips' reader
// does not look), and the text chunks ImageMagick and exiv2 write a profile into ("Raw
// profile type NAME", plain or compressed: exif or APP1, iptc, xmp). A chunk whose CRC does
// not match is passed over; compressed text inflates within largestInflatedMetadata.
struct PNGMetadata {
    // TIFF-structured: the first eXIf chunk's, else the first raw profile holding EXIF.
    std::optional<Bytes> exif;
    // The IPTC records of the iptc profile, bare or as Photoshop's resources.
    std::optional<Bytes> iptc;
    // The xmp profile's packet as stored.
    std::optional<std::string> xmp;
};
PNGMetadata pngMetadata(ByteView file);

} // namespace platform
