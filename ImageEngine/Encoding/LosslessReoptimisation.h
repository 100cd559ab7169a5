#pragma once
#include "ImageEngine/Model/ImageProperties.h"
#include "ImageEngine/Model/OutputSpec.h"
#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"

#include <cstdint>
#include <optional>

namespace pictavo {

// Whether an output may be the source's own bytes re-optimised instead of a re-encode,
// and the first reason when it may not.
namespace LosslessReoptimisation {

enum class Ineligibility {
    differentFormat,
    resize,
    quality,
    colour,
    metadata,
    adjustments,
    orientation,
    multiPage,
    animated,
    noOptimiser,
};

// The specification's own tests; no optimiser is looked at.
std::optional<Ineligibility> ineligibility(const OutputSpec& spec, std::int64_t page, const ImageProperties& properties);
bool wouldBeTheSameFile(const OutputSpec& spec, std::int64_t page, const ImageProperties& properties);
// The specification's tests, then whether the registry holds an optimiser that can carry out
// the metadata policy and, when metadata goes, the source's turn.
std::optional<Ineligibility> check(const OutputSpec& spec, std::int64_t page, const ImageProperties& properties,
                                   const SourceOptimiserRegistry& optimisers);
// The optimiser tests alone, for a format whose optimiser is already in hand.
std::optional<Ineligibility> optimiserRefuses(const SourceOptimiser& optimiser, MetadataPolicy metadata,
                                              std::uint32_t orientation);

} // namespace LosslessReoptimisation

} // namespace pictavo
