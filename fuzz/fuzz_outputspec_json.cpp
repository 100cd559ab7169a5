#include "ImageEngine/Model/OutputSpec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// Stored specifications come back from the user's preferences, which anything may have
// edited: reading must fail with a decoding error or give a specification that writes
// out and reads back as the same value.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<pictavo::OutputSpec> spec;
    try {
        spec = pictavo::OutputSpec::fromJsonText(text);
    } catch (const platform::json::DecodingError&) {
        return 0;
    }
    const std::string written = spec->jsonText(); // an EncodingError here is a fault: it escapes
    const pictavo::OutputSpec reread = pictavo::OutputSpec::fromJsonText(written);
    if (!(reread == *spec) || reread.hash() != spec->hash()) std::abort();
    if (reread.jsonText() != written) std::abort();
    if (!(spec->encodingIdentity() == reread.encodingIdentity())) std::abort();
    return 0;
}
