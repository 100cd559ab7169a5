#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <optional>

namespace platform {

// The text of a JPEG file's COM segments before its image data, in file order, each after
// the last on a line of its own, as the file holds it (no character set is declared). Nothing
// when it holds none or only empty ones.
std::optional<Bytes> jpegComment(ByteView jpeg);

} // namespace platform
