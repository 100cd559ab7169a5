#pragma once
#include "platform/base/Bytes.h"
#include "platform/base/PropertyMap.h"

#include <cstdint>
#include <optional>

namespace pictavo {

// The resolution a JPEG that keeps its source's metadata writes in its JFIF header, where
// many readers look before the EXIF: the source's dots per inch, per centimetre when the
// source counted so, or its pixels' shape in no unit. JFIF holds whole numbers up to 65535.
struct JFIFDensity {
    enum class Unit : std::int32_t { none = 0, inch = 1, centimetre = 2 };
    Unit unit = Unit::none;
    std::uint16_t across = 1;
    std::uint16_t down = 1;

    // Nothing when the source names no resolution, or one no JFIF header can hold.
    static std::optional<JFIFDensity> of(const platform::PropertyMap& source);

    // The EXIF block with the picture's resolution made to say the same, so that a reader of
    // either finds one resolution; the thumbnail's stays its own. As it was when it names
    // none, or cannot be made to.
    platform::Bytes agreeingExif(platform::Bytes exif) const;
};

} // namespace pictavo
