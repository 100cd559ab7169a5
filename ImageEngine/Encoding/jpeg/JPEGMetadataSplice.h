#pragma once
#include "platform/base/Bytes.h"
#include "platform/base/Outcome.h"
#include "platform/metadata/JPEGSegments.h"
#include "platform/metadata/XMPPacket.h"

#include <cstddef>
#include <optional>

namespace pictavo {

// Re-attaches carried metadata to a finished JPEG without re-compressing it: an EXIF APP1
// and, when carried, XMP APP1 segments and IPTC APP13 segments go in right after SOI (and the JFIF APP0
// that may follow it); every other byte of the file stays as it was. Both carry `orientation`.
struct JPEGMetadataSplice {
    // The most a marker segment can hold after its two length bytes.
    static constexpr std::size_t largestPayload = platform::jpegLargestPayload;

    // The EXIF is TIFF-structured, with or without its "Exif\0\0" header. Without one, or
    // when it is too damaged to take the orientation, a minimal IFD0 holding only the
    // orientation stands in; a block too large for one segment loses its thumbnail, then
    // its maker note. A packet that cannot take the orientation is left out rather than
    // carry a stale one; one too large for one segment is split into a standard packet and
    // extended XMP segments. Fails, saying why, when the bytes do not start a JPEG, the
    // orientation is not 1 to 8, or the metadata cannot be made to fit: metadata is never
    // dropped silently. IPTC records go whole into APP13 segments as Photoshop's resource,
    // with Photoshop's other resources beside them, across as many as it takes, and the comment
    // into COM segments, as many as it takes.
    static platform::Outcome<platform::Bytes> inserting(const platform::Bytes& jpeg,
                                                        const std::optional<platform::Bytes>& exif,
                                                        const platform::XmpRef& xmp, int orientation,
                                                        const std::optional<platform::Bytes>& iptc = std::nullopt,
                                                        const std::optional<platform::Bytes>& comment = std::nullopt,
                                                        const std::optional<platform::Bytes>& photoshop = std::nullopt);

    // The JPEG without its EXIF segments, the continuing ones of a large block included, and
    // with `exif` inserted in their stead as `inserting` does; every other byte stays.
    static platform::Outcome<platform::Bytes> replacingExif(const platform::Bytes& jpeg,
                                                            const std::optional<platform::Bytes>& exif, int orientation);
};

} // namespace pictavo
