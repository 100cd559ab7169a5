#pragma once
#include "platform/base/Bytes.h"
#include "platform/metadata/PNGText.h"
#include "platform/metadata/WriterProperties.h"
#include "platform/metadata/XMPPacket.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

// The metadata a writer puts into its file, taken from the writer's properties with every
// orientation field already set to the orientation asked for. A block whose orientation
// cannot be rewritten (damaged EXIF, unreadable XMP) is left out rather than carried with
// a stale orientation that would turn the upright pixels a second time.
struct CarriedMetadata {
    std::optional<Bytes> exif; // TIFF-structured, without the "Exif\0\0" marker
    std::optional<XMPPacket> xmp;
    std::optional<Bytes> iptc; // the IPTC records (see IPTCRecords.h)
    std::optional<Bytes> photoshop; // Photoshop resources but IPTC, for a format that holds IPTC
    std::optional<Bytes> comment; // the source's comment, in no declared character set
    std::vector<PNGText> pngTexts; // a PNG's text chunks, for a PNG
    std::optional<double> dpiWidth;
    std::optional<double> dpiHeight;
    // The two are pixels per no unit, as the source named them: a writer keeps them so, or
    // leaves them out where its format holds only a resolution with a unit.
    bool resolutionHasNoUnit = false;
    std::uint32_t orientation = 1;

    // A format that holds no IPTC gets the records' properties in its XMP packet instead.
    static CarriedMetadata from(const WriterProperties& properties, bool holdsIPTC);
};

} // namespace platform
