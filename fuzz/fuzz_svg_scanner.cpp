#include "ImageEngine/Minify/SVGMarkupScanner.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace pictavo::SVGMetadata;

// The scanner reads SVGs straight from users: it must refuse or give ranges that lie inside
// the file, in order, each starting at a "<" and ending just past a ">".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ByteSpan bytes(data, size);
    try {
        (void)scanProlog(bytes);
    } catch (const CannotStrip&) {
    }
    try {
        const auto ranges = scanMetadataRanges(bytes);
        std::size_t previous = 0;
        for (const auto& range : ranges) {
            if (range.start < previous || range.end > size || range.end <= range.start) std::abort();
            if (data[range.start] != '<' || data[range.end - 1] != '>') std::abort();
            previous = range.start;
        }
    } catch (const CannotStrip&) {
    }
    return 0;
}
