#pragma once
#include "platform/base/Bytes.h"

#include <map>
#include <optional>
#include <string>

namespace testing_support {

// A real EXIF block (TIFF-structured, made by exiv2) with a camera make in IFD0, a capture
// date in the EXIF IFD and a latitude in the GPS IFD, and the orientation when given.
platform::Bytes exifBlock(bool bigEndian, std::optional<int> orientation);

// The same block with the orientation stored in the given TIFF integer type (1 BYTE, 3 SHORT,
// 4 LONG, 6 SBYTE, 8 SSHORT, 9 SLONG), as some cameras and editors write it.
platform::Bytes exifBlockWithOrientationType(bool bigEndian, int tiffType, int orientation);

// A camera's EXIF block (TIFF-structured, little-endian): make "Pictavo Test Camera", model
// "PT-1", capture date 2024-05-06 07:08:09, latitude 51°30' N and longitude 0°7'30" W in the
// GPS IFD, orientation 6, and the camera's 4000 x 3000 as pixel dimensions and IFD0 size.
platform::Bytes cameraExifBlock();

// The block behind the "Exif\0\0" marker, as JPEG and WebP files carry it.
platform::Bytes withExifMarker(const platform::Bytes& tiffStructured);

// Every tag exiv2 reads from a TIFF-structured EXIF block (behind the "Exif\0\0" marker or not) ("Exif.Image.Orientation" -> "6");
// empty when exiv2 cannot read it.
std::map<std::string, std::string> exifTags(const platform::Bytes& exif);

// Every EXIF tag exiv2 reads from a whole image file (for TIFF, whose tags libvips does not
// pass on); empty when it cannot read it.
std::map<std::string, std::string> exifTagsOfFile(const platform::Bytes& file);

// An XMP packet as cameras write it, with a title and, when given, tiff:Orientation in
// attribute form.
std::string xmpPacket(std::optional<int> orientation);

} // namespace testing_support
