#pragma once
#include "platform/text/JSONCoding.h"

#include <cstddef>
#include <functional>

namespace pictavo {

// The opaque sRGB colour that transparent areas are flattened onto. Components are 0 to 1
// but stored as given; drawing uses clampedForDrawing().
struct MatteColour {
    double red = 0;
    double green = 0;
    double blue = 0;

    static const MatteColour& white();
    static const MatteColour& black();

    // Each component within 0 to 1, and 0 for one that is not a number, so that a stored
    // value out of range can never reach a pixel as an out-of-range or undefined byte.
    MatteColour clampedForDrawing() const;

    // Components compare as numbers: 0.0 equals -0.0 and NaN equals nothing.
    friend bool operator==(const MatteColour&, const MatteColour&) = default;
    std::size_t hash() const;

    // Throws EncodingError for a component that is not finite.
    platform::json::Value encode(const platform::json::CodingPath& path = {}) const;
    static MatteColour decode(const platform::json::Reader& reader);
};

} // namespace pictavo

template <>
struct std::hash<pictavo::MatteColour> {
    std::size_t operator()(const pictavo::MatteColour& value) const { return value.hash(); }
};
