#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// What a reader of a TIFF-structured EXIF block ("Exif\0\0" first or not) cannot read in it,
// each as the part that is lost and why ("the GPS directory (it holds no entries)"): a
// directory or a value outside the block, an EXIF, GPS or interoperability directory with no
// entries, a directory with too many, an unknown value type, directories that point back at
// each other. The maker note's inside is the camera's own and is not walked. Empty when the
// block is sound; a block without a TIFF header is one damage.
std::vector<std::string> exifDamages(ByteView block);

struct RepairedExif {
    std::optional<Bytes> block; // TIFF-structured; nothing when nothing in it could be read
    std::string leftOut;        // what was left out and why; empty when the block was sound
};

// The block as it came when it is sound. A damaged one is written anew by exiv2 from what it
// can read, so that no output carries the damage; when the new block is still not sound, or
// exiv2 cannot read or write it, the whole block is left out. `leftOut` says which.
RepairedExif repairedExif(const Bytes& block);

} // namespace platform
