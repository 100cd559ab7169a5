#pragma once
#include "ImageEngine/Model/PreservedProperties.h"
#include "platform/types/ContentType.h"
#include "platform/base/Geometry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pictavo {

// What a decoder learns of a source without drawing it.
struct ImageProperties {
    // The stored pixels, before the orientation is applied.
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    // The EXIF orientation (1 to 8) the stored pixels still need for display; 1 is upright.
    // A decoder that lets its library turn the pixels reports 1, so no turn is made twice.
    std::uint32_t orientation = 1;
    bool hasAlpha = false;
    std::int64_t frameCount = 1;
    std::int64_t pageCount = 1;
    // The sizes of one picture that the file holds, as inside an icon file.
    std::int64_t renditionCount = 1;
    bool isVector = false;
    std::optional<std::string> colourSpaceName;
    std::optional<platform::ContentType> sourceUTType;
    // 0 when the file system gives no size.
    std::int64_t byteCount = 0;
    std::optional<PreservedProperties> preserved;

    bool isAnimated() const { return frameCount > 1; }
    bool isMultiPage() const { return pageCount > 1; }
    platform::Size pixelSize() const;
    // As displayed: the sides swap for the orientations 5 to 8, which turn a quarter.
    platform::Size orientedPixelSize() const;
};

} // namespace pictavo
