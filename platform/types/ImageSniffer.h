#pragma once
#include "platform/base/ByteView.h"
#include "platform/types/FormatFacts.h"

#include <string>

namespace platform {

struct SniffResult {
    SniffedFormat format = SniffedFormat::unknown;
    // The type identifier the format is reported as; empty when unknown.
    std::string typeIdentifier;
};

// The first row of the format table, in its order, whose signature the bytes have.
SniffResult sniffImageFormat(ByteView bytes);

} // namespace platform
