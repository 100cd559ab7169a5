#pragma once
#include "ImageEngine/Encoding/SourceOptimiser.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace pictavo {

// The lossless source optimisers by format. Immutable once made, so every conversion reads
// it at once without a lock.
class SourceOptimiserRegistry {
public:
    // A later optimiser for the same format replaces an earlier one.
    explicit SourceOptimiserRegistry(const std::vector<SourceOptimiserRef>& optimisers);
    static SourceOptimiserRegistry standard();

    SourceOptimiserRef optimiser(const OutputFormat& format) const;
    // In no defined order: callers that show them sort them.
    std::vector<OutputFormat> formats(MetadataPolicy honouring) const;
    // Sorted by display label, as the encoder registry sorts its formats.
    std::vector<OutputFormat> supportedFormats() const;

private:
    std::unordered_map<std::string, SourceOptimiserRef> optimisers_;
};

} // namespace pictavo
