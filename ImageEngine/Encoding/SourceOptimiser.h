#pragma once
#include "ImageEngine/Model/EncodeEffort.h"
#include "ImageEngine/Model/OutputFormat.h"
#include "ImageEngine/Model/MetadataPolicy.h"
#include "ImageEngine/Running/PixelMemory.h"
#include "platform/base/Bytes.h"

#include <cstdint>
#include <memory>
#include <set>

namespace pictavo {

// Rewrites a source file of its own format without decoding its pixels, so nothing of the
// picture is lost; an optimiser that cannot do so for a file throws.
class SourceOptimiser {
public:
    virtual ~SourceOptimiser() = default;

    virtual OutputFormat format() const = 0;
    virtual std::set<MetadataPolicy> honouredMetadataPolicies() const { return {MetadataPolicy::keepAll}; }
    virtual bool bakesOrientationWithoutDecoding() const { return false; }
    // What rewriting this source holds beside its bytes, read from its header without
    // rewriting it, so that a conversion is admitted for it first; 0 for an optimiser whose
    // memory is small beside the source's.
    virtual std::uint64_t workingBytes(const platform::Bytes& source, MetadataPolicy metadata,
                                       std::uint32_t orientation) const {
        (void)source, (void)metadata, (void)orientation;
        return 0;
    }
    // `orientation` is the source's EXIF orientation, 1 to 8. `memoryBound` is the capacity of
    // the memory the conversion was admitted by: a rewrite never holds more.
    virtual platform::Bytes optimise(const platform::Bytes& source, MetadataPolicy metadata, std::uint32_t orientation,
                                     EncodeEffort effort, std::uint64_t memoryBound) const = 0;

    // Outside a conversion, bounded by the memory all conversions share.
    platform::Bytes optimise(const platform::Bytes& source, MetadataPolicy metadata, std::uint32_t orientation,
                             EncodeEffort effort = EncodeEffort::final) const {
        return optimise(source, metadata, orientation, effort, PixelMemory::shared()->capacity());
    }
};

using SourceOptimiserRef = std::shared_ptr<const SourceOptimiser>;

} // namespace pictavo
