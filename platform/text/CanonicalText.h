#pragma once
#include <string>
#include <string_view>

namespace platform {

// Text in canonical composition (NFC), so that "é" typed as one scalar and as "e" plus a
// combining accent become the same bytes. Bytes that are not well-formed UTF-8 are kept
// as they are.
std::string canonicallyComposed(std::string_view text);

// Whether two texts are the same once canonically composed.
bool canonicallyEquivalent(std::string_view a, std::string_view b);

} // namespace platform
