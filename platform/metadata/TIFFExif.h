#pragma once
#include "platform/base/Bytes.h"

#include <optional>

namespace platform {

// The TIFF file with the carried EXIF added to its first directory: the EXIF and GPS
// directories and the camera's descriptive tags (make, model, dates, artist). Tags the TIFF
// writer already set describe the written pixels and are kept; the thumbnail directory is
// left out, as a TIFF's second directory is its second page, and so is the maker note, whose
// offsets would point at the wrong bytes in a file laid out anew. Nothing when
// exiv2 cannot read either block or write the file.
std::optional<Bytes> tiffWithExif(const Bytes& tiff, const Bytes& exif);

} // namespace platform
