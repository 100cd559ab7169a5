#pragma once
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace platform {

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Origin at the lower left, as drawing contexts count.
struct Rect {
    Point origin;
    Size size;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Halves go away from zero, as every pixel size of the system is rounded.
inline double roundHalfAway(double value) { return std::round(value); }

// A double becomes an integer only through here: NaN, infinities and values outside
// the 64-bit range have no integer and give nothing.
inline std::optional<std::int64_t> toInt64Checked(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    // 2^63 is exactly representable; anything at or above it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (value >= limit || value < -limit) return std::nullopt;
    return static_cast<std::int64_t>(value);
}

} // namespace platform
