#include "ImageEngine/Encoding/SideLimit.h"

#include "ImageEngine/Model/ConversionError.h"
#include "platform/types/FormatFacts.h"

namespace pictavo {

void refuseSidesBeyondFormat(const OutputFormat& format, const platform::Image& image) {
    refuseSidesBeyondFormat(format, image.width(), image.height());
}

void refuseSidesBeyondFormat(const OutputFormat& format, std::int64_t width, std::int64_t height) {
    const platform::FormatFacts* row = platform::formatFacts(format.id());
    if (!row) return;
    if (auto refusal = platform::sideLimitRefusal(*row, width, height))
        throw ConversionError::encodeFailed(format).withCause(std::move(*refusal));
}

} // namespace pictavo
