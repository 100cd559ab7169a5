#pragma once
#include "platform/base/ByteView.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The XMP packet a HEIF file (HEIC, AVIF) keeps beside its top-level image `index`, as a
// "mime" metadata item of type application/rdf+xml, which libvips' reader leaves out.
// Nothing when there is none or libheif cannot read the file.
std::optional<std::string> heifXMP(ByteView file, std::int64_t index);

} // namespace platform
