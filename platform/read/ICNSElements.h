#pragma once
#include "platform/base/ByteSource.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One image element of an Apple icon file: a PNG or JPEG 2000 payload, or the legacy
// run-length-coded RGB and ARGB elements of a fixed side, with their 8-bit masks.
struct ICNSElement {
    enum class Coding { embedded, rgbRunLength, argbRunLength };
    std::uint64_t offset = 0; // of the payload, after the 8-byte element header
    std::uint64_t size = 0;
    Coding coding = Coding::embedded;
    std::int64_t side = 0;    // for the legacy codings
    std::string maskType;     // the 8-bit mask element that goes with a legacy RGB element
};

// The image elements of an Apple icon file, read element header by element header from the
// source; every other element (table of contents, masks, names) is stepped over. Nothing when
// the file is no icon file, or when it has more than `mostElements` elements before its end.
std::optional<std::vector<ICNSElement>> readICNSElements(const ByteSource& source, std::size_t mostElements);

} // namespace platform
