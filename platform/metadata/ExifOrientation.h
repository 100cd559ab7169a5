#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <cstdint>
#include <optional>

namespace platform {

// The carried EXIF block with IFD0's orientation tag (0x0112) set to `orientation`.
// The block is TIFF-structured ("II*\0" or "MM\0*"), optionally behind the "Exif\0\0"
// marker of a JPEG APP1 segment, which is kept. An existing tag is rewritten in place;
// a missing one is added by copying IFD0, one entry longer, to the end of the block, so
// every other offset stays valid and nothing else is added. Nothing when the block is
// damaged (a header or IFD0 that does not fit) or the orientation is not 1 to 8: callers
// then drop the block rather than carry a stale orientation.
std::optional<Bytes> exifWithOrientation(const Bytes& exif, int orientation);

// IFD0's orientation, when the block is sound and holds one value of 1 to 8 in any integer
// type (BYTE, SHORT, LONG or their signed forms).
std::optional<int> exifOrientation(ByteView exif);
inline std::optional<int> exifOrientation(const Bytes& exif) { return exifOrientation(ByteView(exif.data(), exif.size())); }

} // namespace platform
