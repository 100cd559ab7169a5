#include "ImageEngine/Encoding/SideLimit.h"

#include "ImageEngine/Model/ConversionError.h"
#include "platform/types/FormatFacts.h"

namespace pictavo {

void refuseSidesBeyondFormat(const OutputFormat& format, const platform::Image& image) {
    const platform::FormatFacts* row = platform::formatFacts(format.id());
    if (!row) return;
    if (auto refusal = platform::sideLimitRefusal(*row, image.width(), image.height()))
        throw ConversionError::encodeFailed(format).withCause(std::move(*refusal));
}

} // namespace pictavo
