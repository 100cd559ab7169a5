#pragma once
#include "platform/Bytes.h"

#include <map>
#include <optional>
#include <string>

namespace testing_support {

// A real EXIF block (TIFF-structured, made by exiv2) with a camera make in IFD0, a capture
// date in the EXIF IFD and a latitude in the GPS IFD, and the orientation when given.
platform::Bytes exifBlock(bool bigEndian, std::optional<int> orientation);

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
