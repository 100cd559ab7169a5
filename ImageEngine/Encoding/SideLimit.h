#pragma once
#include "ImageEngine/Model/OutputFormat.h"
#include "platform/pixels/Image.h"

#include <cstdint>

namespace pictavo {

// Throws `encodeFailed(format)` naming the format's longest side and the picture's size when
// the picture is larger than a file of the format holds, before any pixel is drawn for the
// library that would refuse it without a reason.
void refuseSidesBeyondFormat(const OutputFormat& format, const platform::Image& image);
// The same for a picture of this size, before it is drawn or decoded.
void refuseSidesBeyondFormat(const OutputFormat& format, std::int64_t width, std::int64_t height);

} // namespace pictavo
