#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <optional>

namespace platform {

// The EXIF block a JPEG file carries across several APP1 segments, as ExifTool writes a
// block larger than one segment holds: a full "Exif\0\0" segment followed directly by more
// "Exif\0\0" segments, each going on where the last stopped. TIFF-structured, without the
// marker. Nothing when the file's EXIF is in one segment, which every reader reads whole.
std::optional<Bytes> jpegJoinedExif(ByteView jpeg);

} // namespace platform
