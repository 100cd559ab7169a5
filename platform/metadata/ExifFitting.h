#pragma once
#include "platform/base/Bytes.h"
#include "platform/base/Outcome.h"

#include <cstddef>

namespace platform {

// The TIFF-structured EXIF block made to fit in `limit` bytes, losing no more than it must:
// first its thumbnail (IFD1), then, only if that is not enough, its maker note. The block
// comes back as it is when it already fits. Fails, saying why, when it still does not fit,
// when exiv2 cannot read or write it, or when writing it would lose any other tag.
Outcome<Bytes> exifFitting(const Bytes& tiffStructured, std::size_t limit);

} // namespace platform
