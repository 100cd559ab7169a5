#pragma once
#include "ImageEngine/Model/ConversionWarning.h"
#include "ImageEngine/Model/OutputFormat.h"
#include "platform/base/Bytes.h"
#include "platform/base/Geometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pictavo {

// One converted source: the complete output file, ready to be written, with a suggested
// name and the warnings raised on the way. The bytes are shared, never copied.
struct ConversionResult {
    platform::SharedBytes data;
    platform::Size pixelSize;
    // The format actually written, after same-as-source and any fall-back were resolved.
    OutputFormat format;
    std::string suggestedFileName;
    std::int64_t sourceByteCount = 0;
    // In the order raised.
    std::vector<ConversionWarning> warnings;
    // What the output left out of the source's metadata and why, for failure reports and
    // logs; empty when it carried all it was asked to.
    std::string diagnostic = {};

    std::int64_t byteCount() const { return data ? static_cast<std::int64_t>(data->size()) : 0; }
    // The share of the source's size saved; negative when the output is larger, 0 when the
    // source's size is unknown.
    double savingsFraction() const {
        if (sourceByteCount < 1) return 0;
        return (static_cast<double>(sourceByteCount) - static_cast<double>(byteCount())) /
               static_cast<double>(sourceByteCount);
    }
};

} // namespace pictavo
