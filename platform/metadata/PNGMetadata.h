#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"
#include "platform/metadata/PNGText.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// The metadata of a PNG file wherever its chunks keep it, before or after the pixel data, as
// ExifTool reads it (ImageMagick and ExifTool write theirs after it, where libvips' reader
// does not look): the eXIf chunk, the standard XMP chunk ("XML:com.adobe.xmp"), the text
// chunks ImageMagick and exiv2 write a profile into ("Raw profile type NAME", plain or
// compressed: exif or APP1, iptc, 8bim, xmp), and every other text chunk (Title, Author, Comment
// and the like). A chunk whose CRC does not match is passed over; compressed text inflates
// within largestInflatedMetadata.
struct PNGMetadata {
    // TIFF-structured: the first eXIf chunk's, else the first raw profile holding EXIF.
    std::optional<Bytes> exif;
    // The IPTC records of the iptc profile, bare or as Photoshop's resources.
    std::optional<Bytes> iptc;
    // The 8bim profile's Photoshop resources other than IPTC (see PhotoshopResources.h).
    std::optional<Bytes> photoshop;
    // The standard XMP chunk's packet, else the xmp profile's, as stored.
    std::optional<std::string> xmp;
    // The first Comment chunk's text, in UTF-8.
    std::optional<std::string> comment;
    // Every other text chunk that describes the picture, in the file's order, its text in UTF-8:
    // ImageMagick's records of the file it wrote and of the EXIF it copied stay behind.
    std::vector<PNGText> texts;
};
PNGMetadata pngMetadata(ByteView file);

} // namespace platform
