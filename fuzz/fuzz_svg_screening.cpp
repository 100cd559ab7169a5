#include "ImageEngine/Decoding/SVGComplexity.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

using pictavo::SVGComplexity;

// The screening answers for any bytes, never throws, and is a pure function of them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const bool first = SVGComplexity::needsWebKit(bytes);
    if (SVGComplexity::needsWebKit(std::vector<std::uint8_t>(data, data + size)) != first) std::abort();
    return 0;
}
