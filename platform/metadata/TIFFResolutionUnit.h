#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <cstdint>
#include <optional>

namespace platform {

// Whether the first directory of a TIFF-structured block (an EXIF block, "Exif\0\0" first or
// not, or a TIFF file) names its resolution in no unit: XResolution and YResolution with a
// ResolutionUnit of 1, "None". Readers then take the numbers for pixels per millimetre.
bool tiffResolutionHasNoUnit(ByteView tiff);
inline bool tiffResolutionHasNoUnit(const Bytes& tiff) { return tiffResolutionHasNoUnit(ByteView(tiff.data(), tiff.size())); }

// The units a TIFF's ResolutionUnit names.
enum class TIFFResolutionUnit : std::uint16_t { none = 1, inch = 2, centimetre = 3 };

// Which directories a resolution is set in: every page of a TIFF file, or only the picture's
// own of an EXIF block, whose second directory describes its thumbnail.
enum class TIFFDirectories { every, first };

// The TIFF file, or TIFF-structured EXIF block, with the resolution of the directories that
// name one set to `across` and `down` pixels per `unit`, in place; every other byte as it
// was. Nothing when it is not a classic TIFF whose directories lie inside it, a number does
// not fit a rational, or a directory names a resolution with no ResolutionUnit to count it
// in another unit than inches, its default.
std::optional<Bytes> tiffWithResolution(Bytes tiff, double across, double down, TIFFResolutionUnit unit,
                                        TIFFDirectories directories);

} // namespace platform
