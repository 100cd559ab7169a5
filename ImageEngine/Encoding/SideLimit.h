#pragma once
#include "ImageEngine/Model/OutputFormat.h"
#include "platform/pixels/Image.h"

namespace pictavo {

// Throws `encodeFailed(format)` naming the format's longest side and the picture's size when
// the picture is larger than a file of the format holds, before any pixel is drawn for the
// library that would refuse it without a reason.
void refuseSidesBeyondFormat(const OutputFormat& format, const platform::Image& image);

} // namespace pictavo
