#pragma once
#include "platform/base/Bytes.h"
#include "platform/base/Outcome.h"

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// The TIFF-structured EXIF block made to fit in `limit` bytes, losing no more than it must:
// first its thumbnail (IFD1), then, only if that is not enough, its maker note. The block
// comes back as it is when it already fits. Fails, saying why, when it still does not fit,
// when exiv2 cannot read or write it, or when writing it would lose any other tag.
Outcome<Bytes> exifFitting(const Bytes& tiffStructured, std::size_t limit);

struct ExifWithoutOversizedTags {
    Bytes block;
    // Each tag left out, with its size ("Exif.Photo.UserComment of 88 kB").
    std::vector<std::string> leftOut;
};

// An EXIF block ("Exif\0\0" first or not) larger than `limit` bytes without the tags exiv2
// leaves out of a block it writes for a JPEG's segment even once the thumbnail and maker note
// are out (a long user comment), so that exifFitting can fit what is left and what is lost
// can be named. The block comes back as it is, naming
// nothing, when it fits, holds no such tag, or exiv2 cannot read or write it.
ExifWithoutOversizedTags exifWithoutOversizedTags(const Bytes& block, std::size_t limit);

} // namespace platform
