#pragma once
#include "ImageEngine/Model/ConversionWarning.h"

#include <cstdint>
#include <vector>

namespace pictavo {

// A conversion that was run but not written: its byte count and its warnings, in the order
// raised. Equal only when the warnings come in the same order.
struct Estimate {
    std::int64_t bytes = 0;
    std::vector<ConversionWarning> warnings;
    friend bool operator==(const Estimate&, const Estimate&) = default;
};

} // namespace pictavo
