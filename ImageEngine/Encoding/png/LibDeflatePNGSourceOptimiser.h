#pragma once
#include "ImageEngine/Encoding/SourceOptimiser.h"

namespace pictavo {

// A PNG kept in its format is re-optimised from its bytes, never decoded: the metadata chunks
// go when asked, and the pixel data is re-compressed when that makes the file smaller.
class LibDeflatePNGSourceOptimiser final : public SourceOptimiser {
public:
    LibDeflatePNGSourceOptimiser();

    OutputFormat format() const override { return format_; }
    std::set<MetadataPolicy> honouredMetadataPolicies() const override {
        return {MetadataPolicy::keepAll, MetadataPolicy::strip};
    }
    // What the recompression holds, from the IHDR at the file's start.
    std::optional<std::uint64_t> workingBytes(std::span<const std::uint8_t> start, std::uint64_t fileBytes,
                                              MetadataPolicy metadata, std::uint32_t orientation,
                                              std::uint64_t memoryBound) const override;
    // Throws only when stripping a file that does not parse, whose pixel data is damaged or
    // that cannot be written back; the conversion then decodes and re-encodes it.
    platform::Bytes optimise(const platform::Bytes& source, MetadataPolicy metadata, std::uint32_t orientation,
                             EncodeEffort effort, std::uint64_t memoryBound) const override;
    using SourceOptimiser::optimise;

private:
    OutputFormat format_;
};

} // namespace pictavo
