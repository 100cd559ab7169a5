#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace platform {

// A file's IPTC is carried as its records (IIM datasets, each 0x1C, record, dataset, length,
// value) as the file holds them, every one of them, without the wrapping the file kept them in.

// The records at the start of the bytes, up to the first byte that starts none (a writer's
// padding); nothing when there is no whole record.
std::optional<Bytes> iptcRecords(ByteView bytes);

// The records of Photoshop's image resources (resource 0x0404), as a JPEG's APP13
// "Photoshop 3.0" segment holds them, that header first or not. Nothing without them.
std::optional<Bytes> photoshopIPTC(ByteView resources);

// The records of a TIFF file's IPTC tag (33723) in its first directory, however the tag is
// typed: writers type it LONG or UNDEFINED, and its count is in values, not bytes.
std::optional<Bytes> tiffIPTC(ByteView tiff);

// The records of a JPEG file's APP13 "Photoshop 3.0" segments. A run of such segments one
// after the other is one block of resources cut where each segment was full, as ExifTool
// writes a block larger than one segment holds; the first block that holds records gives
// them. Nothing without them.
std::optional<Bytes> jpegIPTC(ByteView jpeg);

// JPEG APP13 payloads holding the records as Photoshop's image resource 0x0404, and the other
// resources carried beside them (see PhotoshopResources.h): one, or as many as it takes when
// the resources pass `largestPayload`, each with the header and going on where the last
// stopped. None when there are neither.
std::vector<Bytes> photoshopSegmentsWithIPTC(const std::optional<Bytes>& records, std::size_t largestPayload,
                                             const std::optional<Bytes>& resources = std::nullopt);

} // namespace platform
