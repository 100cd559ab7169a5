#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <optional>

namespace platform {

// Whether the first directory of a TIFF-structured block (an EXIF block, "Exif\0\0" first or
// not, or a TIFF file) names its resolution in no unit: XResolution and YResolution with a
// ResolutionUnit of 1, "None". Readers then take the numbers for pixels per millimetre.
bool tiffResolutionHasNoUnit(ByteView tiff);
inline bool tiffResolutionHasNoUnit(const Bytes& tiff) { return tiffResolutionHasNoUnit(ByteView(tiff.data(), tiff.size())); }

// The TIFF file with the resolution of every directory that names one set to `across` and
// `down` pixels in no unit (ResolutionUnit 1, "None"), in place; every other byte as it was.
// Nothing when the file is not a classic TIFF whose directories lie inside it, or a number
// does not fit a rational.
std::optional<Bytes> tiffWithResolutionOfNoUnit(Bytes tiff, double across, double down);

} // namespace platform
