#pragma once
#include "platform/base/Bytes.h"
#include "platform/metadata/XMPPacket.h"

#include <optional>

namespace platform {

// The packet (an empty one when there is none) with the fields of an EXIF block (TIFF-
// structured, "Exif\0\0" first or not) added as XMP the way ExifTool maps them: camera, lens,
// dates with their sub-seconds and time zones, exposure and GPS; where both hold a property,
// the packet's value stays, as an editor wrote it there. Fields that describe how
// the source stored its pixels (its size in IFD0, compression, sampling) stay behind, as
// they would be wrong for any other file. The orientation comes as the block holds it and
// the pixel dimensions as the source's: callers set both. Nothing when no field of the
// block can be read, or when exiv2 cannot read the packet or write the result; callers
// then carry the packet as it came.
std::optional<XMPPacket> xmpWithExif(const XMPPacket* packet, const Bytes& exif);

} // namespace platform
