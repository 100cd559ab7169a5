#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <optional>

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

// A JPEG APP13 payload holding the records as Photoshop's image resource 0x0404.
Bytes photoshopSegmentWithIPTC(const Bytes& records);

} // namespace platform
