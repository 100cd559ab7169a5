#pragma once
#include "platform/base/Bytes.h"

namespace Exiv2 {
class ExifData;
class Exifdatum;
} // namespace Exiv2

namespace platform {

// Whether exiv2 reads the tag as part of a camera's maker note: the note itself, where exiv2
// found it, or a tag of the maker's own group, from which exiv2 writes the note anew.
bool isMakerNote(const Exiv2::Exifdatum& datum);

// The tags written by exiv2 as a TIFF-structured block, every one of them. exiv2's encoder for
// a JPEG's segment leaves out large tags (a long user comment) once the block passes 64 kB;
// such a block is written as a TIFF's metadata is instead, whole. `order` is 0 for exiv2's
// invalid byte order, taken as little-endian. Empty when nothing could be written.
Bytes wholeExifBlock(const Exiv2::ExifData& data, int order);

} // namespace platform
