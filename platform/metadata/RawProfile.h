#pragma once
#include "platform/base/Bytes.h"

#include <optional>
#include <string_view>

namespace platform {

// The bytes of a PNG text chunk named "Raw profile type NAME", as ImageMagick and exiv2 write
// a profile (EXIF among them) into a PNG without an eXIf chunk: a line with the profile's
// name, a line with its length in bytes, then the bytes as hexadecimal digits over as many
// lines as it takes. Nothing when the text is not one, or holds fewer digits than it declares.
std::optional<Bytes> rawProfileBytes(std::string_view text);

} // namespace platform
