#pragma once
#include "platform/base/ByteView.h"

#include <optional>
#include <string>

namespace platform {

// An XMP packet's text as UTF-8, from the bytes a file stores it in: UTF-8, or UTF-16 or
// UTF-32 in either byte order, told apart by a byte-order mark or by how the packet's
// first "<" is stored. The text ends at its first NUL, which some writers pad it with.
// Bytes that do not decode in the encoding they start in are given whole, as they are, so
// that whoever leaves them out names their true length. Nothing when no text is left.
std::optional<std::string> xmpText(ByteView stored);

} // namespace platform
