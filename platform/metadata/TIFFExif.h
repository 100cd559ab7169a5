#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <optional>

namespace platform {

// The TIFF file with the carried EXIF added to its first directory: the EXIF and GPS
// directories and the picture's descriptive tags (make, model, dates, artist, the titles,
// keywords and rating Windows writes, document and page names). Tags the TIFF
// writer already set describe the written pixels and are kept; the thumbnail directory is
// left out, as a TIFF's second directory is its second page, and so is the maker note, whose
// offsets would point at the wrong bytes in a file laid out anew. The IPTC records (see
// IPTCRecords.h) go into its IPTC tag, and Photoshop's other resources (PhotoshopResources.h)
// into its Photoshop tag, with the records among them. Nothing when exiv2 cannot read a block
// or write the file.
std::optional<Bytes> tiffWithExifAndIPTC(const Bytes& tiff, const std::optional<Bytes>& exif,
                                         const std::optional<Bytes>& iptc,
                                         const std::optional<Bytes>& photoshop = std::nullopt);

// The EXIF a TIFF file holds, as the block a camera's JPEG carries: the same tags of its first
// directory and the EXIF and GPS directories it points to, with its maker note, TIFF-structured. A TIFF's reader
// gives its pixels' own tags but not these. Nothing when the file holds none of them, or
// when exiv2 cannot read it.
std::optional<Bytes> tiffFileExif(ByteView tiff);

} // namespace platform
