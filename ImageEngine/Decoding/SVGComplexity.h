#pragma once
#include <cstdint>
#include <span>

namespace pictavo {

// Whether an SVG needs the browser to be drawn faithfully, judged from its bytes alone by a
// fast text scan that never parses the XML. Any doubt (text that is not UTF-8, a value not
// known to be harmless, a scan that works too long) answers yes.
struct SVGComplexity {
    static bool needsWebKit(std::span<const std::uint8_t> bytes);
};

} // namespace pictavo
