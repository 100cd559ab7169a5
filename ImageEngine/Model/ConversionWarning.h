#pragma once
#include "ImageEngine/Model/OutputFormat.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <variant>

namespace pictavo {

// Something that went differently from what was asked while the conversion still produced
// a file, with the sentence the user reads.
class ConversionWarning {
public:
    // The source has two or more frames and only the first is converted.
    struct AnimationLost {
        std::int64_t frameCount;
        friend bool operator==(const AnimationLost&, const AnimationLost&) = default;
    };
    struct TransparencyFlattened {
        friend bool operator==(const TransparencyFlattened&, const TransparencyFlattened&) = default;
    };
    struct UpscaleClamped {
        friend bool operator==(const UpscaleClamped&, const UpscaleClamped&) = default;
    };
    // The size of the smallest output found.
    struct TargetSizeMissed {
        std::int64_t closestBytes;
        friend bool operator==(const TargetSizeMissed&, const TargetSizeMissed&) = default;
    };
    // Numbers of icon sizes written and wanted.
    struct IconLadderTrimmed {
        std::int64_t written, wanted;
        friend bool operator==(const IconLadderTrimmed&, const IconLadderTrimmed&) = default;
    };
    // Written as `to` because `from` (a display name) could not be written.
    struct FormatFellBack {
        OutputFormat to;
        std::string from;
        friend bool operator==(const FormatFellBack&, const FormatFellBack&) = default;
    };
    // The pixel size a vector source was drawn at.
    struct VectorRasterised {
        std::int64_t width, height;
        friend bool operator==(const VectorRasterised&, const VectorRasterised&) = default;
    };
    struct Reencoded {
        friend bool operator==(const Reencoded&, const Reencoded&) = default;
    };

    // In their declared order: the position is part of the hash.
    using Case = std::variant<AnimationLost, TransparencyFlattened, UpscaleClamped, TargetSizeMissed,
                              IconLadderTrimmed, FormatFellBack, VectorRasterised, Reencoded>;

    // From any one case: ConversionWarning value = ConversionWarning::Reencoded{}.
    template <typename Alternative>
        requires std::is_constructible_v<Case, Alternative>
    ConversionWarning(Alternative value) : value_(std::move(value)) {}

    static ConversionWarning animationLost(std::int64_t frameCount) { return AnimationLost{frameCount}; }
    static ConversionWarning transparencyFlattened() { return TransparencyFlattened{}; }
    static ConversionWarning upscaleClamped() { return UpscaleClamped{}; }
    static ConversionWarning targetSizeMissed(std::int64_t closestBytes) { return TargetSizeMissed{closestBytes}; }
    static ConversionWarning iconLadderTrimmed(std::int64_t written, std::int64_t wanted) {
        return IconLadderTrimmed{written, wanted};
    }
    static ConversionWarning formatFellBack(OutputFormat to, std::string from) {
        return FormatFellBack{std::move(to), std::move(from)};
    }
    static ConversionWarning vectorRasterised(std::int64_t width, std::int64_t height) {
        return VectorRasterised{width, height};
    }
    static ConversionWarning reencoded() { return Reencoded{}; }

    const Case& value() const { return value_; }
    template <typename T>
    const T* get() const { return std::get_if<T>(&value_); }

    // The sentence the card's details give.
    std::string message() const;
    // The short label of the card's badge: "Frames", "Target missed", "as PNG", ...
    std::string label() const;

    friend bool operator==(const ConversionWarning&, const ConversionWarning&) = default;
    std::size_t hash() const;

private:
    Case value_;
};

} // namespace pictavo

template <>
struct std::hash<pictavo::ConversionWarning> {
    std::size_t operator()(const pictavo::ConversionWarning& warning) const { return warning.hash(); }
};
