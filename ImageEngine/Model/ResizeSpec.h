#pragma once
#include "platform/base/Geometry.h"
#include "platform/text/JSONCoding.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <variant>

namespace pictavo {

// How large the output is to be, relative to the source or in pixels.
class ResizeSpec {
public:
    struct Original {
        friend bool operator==(const Original&, const Original&) = default;
    };
    // An absent bound does not constrain.
    struct Fit {
        std::optional<std::int64_t> maxWidth;
        std::optional<std::int64_t> maxHeight;
        friend bool operator==(const Fit&, const Fit&) = default;
    };
    // Percentage and scale both multiply each side by their factor (0.5 halves it).
    struct Percentage {
        double factor;
        friend bool operator==(const Percentage&, const Percentage&) = default;
    };
    struct Scale {
        double factor;
        friend bool operator==(const Scale&, const Scale&) = default;
    };
    struct LongestEdge {
        std::int64_t pixels;
        friend bool operator==(const LongestEdge&, const LongestEdge&) = default;
    };
    // The alternatives in their declared order, which also numbers them for hashing.
    using Case = std::variant<Original, Fit, Percentage, Scale, LongestEdge>;

    struct DimensionRange {
        std::int64_t lowerBound;
        std::int64_t upperBound;
        bool contains(std::int64_t value) const { return value >= lowerBound && value <= upperBound; }
    };
    // The sides a user may type.
    static constexpr DimensionRange typeableDimensions{1, 1'000'000};

    explicit ResizeSpec(Case value) : case_(value) {}
    static ResizeSpec original() { return ResizeSpec(Original{}); }
    static ResizeSpec fit(std::optional<std::int64_t> maxWidth, std::optional<std::int64_t> maxHeight) {
        return ResizeSpec(Fit{maxWidth, maxHeight});
    }
    static ResizeSpec percentage(double factor) { return ResizeSpec(Percentage{factor}); }
    static ResizeSpec scale(double factor) { return ResizeSpec(Scale{factor}); }
    static ResizeSpec longestEdge(std::int64_t pixels) { return ResizeSpec(LongestEdge{pixels}); }

    const Case& value() const { return case_; }

    // The whole-pixel size to draw for a source of this size: the same factor on both
    // sides, rounded half away from zero, never below 1, and without upscaling never above
    // the source's side. A source side that is not positive gives 1 × 1. The result stays
    // a double: a huge factor gives a huge (or infinite) size for the render guard to
    // refuse, never an integer overflow.
    platform::Size targetSize(platform::Size source, bool allowUpscale) const;
    // The sanitised copy of a stored value: bounds clamped to the typeable range, factors
    // that are not finite and positive replaced by original().
    ResizeSpec withinStorageBounds() const;
    // What a user typed as a side: its decimal digits only, clamped to the typeable range
    // (too many digits give the upper bound); nothing without a digit.
    static std::optional<std::int64_t> typedDimension(std::string_view text);

    friend bool operator==(const ResizeSpec&, const ResizeSpec&) = default;
    std::size_t hash() const;

    // Throws EncodingError for a factor that is not finite.
    platform::json::Value encode(const platform::json::CodingPath& path = {}) const;
    // Not sanitised: whoever stores the value applies withinStorageBounds().
    static ResizeSpec decode(const platform::json::Reader& reader);

private:
    Case case_;
};

} // namespace pictavo

template <>
struct std::hash<pictavo::ResizeSpec> {
    std::size_t operator()(const pictavo::ResizeSpec& value) const { return value.hash(); }
};
