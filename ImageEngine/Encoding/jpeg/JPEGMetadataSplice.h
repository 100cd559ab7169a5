#pragma once
#include "platform/base/Bytes.h"
#include "platform/metadata/XMPPacket.h"

#include <cstddef>
#include <optional>

namespace pictavo {

// Re-attaches carried metadata to a finished JPEG without re-compressing it: an EXIF APP1
// and, when a packet is carried, an XMP APP1 go in right after SOI (and the JFIF APP0 that
// may follow it); every other byte of the file stays as it was. Both carry `orientation`.
struct JPEGMetadataSplice {
    // The most a marker segment can hold after its two length bytes.
    static constexpr std::size_t largestPayload = 65533;

    // The EXIF is TIFF-structured, with or without its "Exif\0\0" header. Without one, or
    // when it is too damaged to take the orientation, a minimal IFD0 holding only the
    // orientation stands in; a packet that cannot take the orientation is left out rather
    // than carry a stale one. Nothing when the bytes do not start a JPEG, the orientation
    // is not 1 to 8, or a segment would not fit in one marker: metadata is never dropped silently.
    static std::optional<platform::Bytes> inserting(const platform::Bytes& jpeg,
                                                    const std::optional<platform::Bytes>& exif,
                                                    const platform::XmpRef& xmp, int orientation);
};

} // namespace pictavo
