#pragma once
#include "ImageEngine/Model/Reorientation.h"
#include "platform/text/JSONCoding.h"

#include <cstddef>
#include <functional>

namespace pictavo {

// What the user asked to be done to the pixels besides sizing: a turn and flip, and grey.
struct Adjustments {
    Reorientation reorientation;
    bool greyscale = false;

    static const Adjustments& none();
    bool isIdentity() const { return reorientation.isIdentity() && !greyscale; }

    friend bool operator==(const Adjustments&, const Adjustments&) = default;
    std::size_t hash() const;

    platform::json::Value encode() const;
    // Both keys are required.
    static Adjustments decode(const platform::json::Reader& reader);
};

} // namespace pictavo

template <>
struct std::hash<pictavo::Adjustments> {
    std::size_t operator()(const pictavo::Adjustments& value) const { return value.hash(); }
};
