#pragma once
#include <cstring>
#include <string>

namespace pictavo {

// The failure message a shim wrote into `message` (at most `capacity` bytes), as a cause
// naming the library it came from: "libjpeg: Bogus marker length". Empty when the shim
// wrote none.
inline std::string shimCause(const char* library, const char* message, std::size_t capacity) {
    const std::size_t length = strnlen(message, capacity);
    if (length == 0) return {};
    return std::string(library) + ": " + std::string(message, length);
}

} // namespace pictavo
