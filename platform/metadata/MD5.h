#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The MD5 digest of some bytes. Only a name for a packet, as JPEG's extended XMP uses it:
// never a protection against anyone who means harm.
std::array<std::uint8_t, 16> md5(std::string_view bytes);

// The digest as 32 upper-case hexadecimal digits.
std::string md5UpperHex(std::string_view bytes);

} // namespace platform
