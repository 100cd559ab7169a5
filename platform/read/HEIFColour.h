#pragma once
#include "platform/base/ByteView.h"
#include "platform/colour/DescribedColourSpace.h"

#include <cstdint>
#include <optional>

namespace platform {

// The colour space the nclx box of a HEIF file's top-level image `index` gives by its primaries
// and transfer, as a profile would give it. libheif has already applied the box's matrix and
// range in decoding to RGB. Nothing when there is no box or it says sRGB, in any of the ways
// encoders write sRGB: BT.709 primaries or unspecified ones with the sRGB transfer or an
// unspecified one (or one that cannot be drawn, logarithmic or of cinema), as the pixels were
// always read.
std::optional<ColourDescription> heifColour(ByteView file, std::int64_t index);

} // namespace platform
