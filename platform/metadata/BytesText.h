#pragma once
#include <cstdint>
#include <string>

namespace platform {

// A length in the words of a metadata failure, exact to the byte, so that it can be set
// beside the lengths the file itself declares.
inline std::string bytesText(std::uint64_t count) { return std::to_string(count) + " bytes"; }

} // namespace platform
