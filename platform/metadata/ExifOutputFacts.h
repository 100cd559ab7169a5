#pragma once
#include "platform/base/Bytes.h"

#include <cstdint>
#include <optional>

namespace platform {

// The carried EXIF block with the EXIF directory's PixelXDimension and PixelYDimension (the
// picture's own width and height) set to the written size. Only tags the block holds are
// set, in place, every other byte as it was; a SHORT too small for the size becomes a LONG.
// Nothing when the block is damaged or holds neither tag.
std::optional<Bytes> exifWithPixelDimensions(const Bytes& exif, std::int64_t width, std::int64_t height);

// The carried EXIF block without its thumbnail: the first directory no longer links the
// second, which holds it, and the bytes of that directory and of the picture it points to are
// gone: cut off where they end the block, else overwritten with zeros (never a byte the rest
// of the block points at). Nothing when the block holds no second directory.
std::optional<Bytes> exifWithoutThumbnail(const Bytes& exif);

// Whether the block's EXIF directory holds a maker note (tag 0x927C).
bool exifHoldsMakerNote(const Bytes& exif);

} // namespace platform
