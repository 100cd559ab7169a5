#pragma once
#include "ImageEngine/Model/OutputFormat.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pictavo {

// The square picture sizes an icon format holds, largest first.
struct IconLadder {
    std::vector<std::int64_t> pixelSizes;

    static const IconLadder& macOS();
    static const IconLadder& windows();
    // The ladder of an icon format (Apple or Windows icons); none for any other format.
    static std::optional<IconLadder> forFormat(const OutputFormat& format);

    // The least size, 0 for an empty ladder.
    std::int64_t smallest() const;

    friend bool operator==(const IconLadder&, const IconLadder&) = default;
};

} // namespace pictavo
