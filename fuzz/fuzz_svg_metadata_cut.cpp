#include "ImageEngine/Minify/SVGMetadataCut.h"
#include "platform/text/XMLDocument.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace pictavo::SVGMetadata;

// The cut either refuses or gives a document that is the source with some bytes taken out,
// in order, that reads back as XML; a source it returns unchanged is the very same bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    platform::Bytes out;
    try {
        out = strip(bytes);
    } catch (const CannotStrip&) {
        return 0;
    }
    if (out.size() > size) std::abort();
    // What is left is a subsequence of the source.
    std::size_t at = 0;
    for (const auto byte : out) {
        while (at < size && data[at] != byte) ++at;
        if (at == size) std::abort();
        ++at;
    }
    if (out.size() < size && !platform::XMLDocument::read(out).document) std::abort();
    return 0;
}
