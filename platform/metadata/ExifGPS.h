#pragma once
#include "platform/base/Bytes.h"
#include "platform/base/PropertyMap.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// The GPS IFD of a TIFF-structured EXIF block ("II*\0" or "MM\0*" first) as a dictionary of
// the fields cameras write (LatitudeRef, Latitude, LongitudeRef, Longitude, AltitudeRef,
// Altitude, in degrees and metres); nothing when the block has no GPS IFD. A damaged block
// gives what could be read of it.
std::optional<PropertyMap> gpsDictionary(const Bytes& tiffStructured);

// The TIFF-structured part of an EXIF block, without the "Exif\0\0" marker that some
// containers put first. Empty when there is no TIFF header.
Bytes tiffStructuredExif(const std::uint8_t* data, std::size_t size);

} // namespace platform
