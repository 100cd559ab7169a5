#pragma once
#include "platform/base/ByteView.h"

#include <cstdint>
#include <functional>

struct heif_image_handle;

namespace platform {

// Calls `use` with the handle of the HEIF file's top-level image `index`, read by libheif where
// the bytes lie; false, without calling it, when libheif cannot read the file or there is no
// such image.
bool withHEIFImage(ByteView file, std::int64_t index, const std::function<void(const heif_image_handle*)>& use);

} // namespace platform
