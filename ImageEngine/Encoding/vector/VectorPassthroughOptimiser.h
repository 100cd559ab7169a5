#pragma once
#include "ImageEngine/Encoding/SourceOptimiser.h"

namespace pictavo {

// Vector sources (SVG and PDF) have no pixels to re-compress: the source comes back as it
// is, or, for an SVG whose metadata is to go, with its metadata elements cut out byte for
// byte. Nothing is ever drawn or written anew.
class VectorPassthroughOptimiser final : public SourceOptimiser {
public:
    using SourceOptimiser::optimise;

    enum class Stripping { nothing, svgXMP };

    // Honouring the strip policy needs something to strip with.
    VectorPassthroughOptimiser(OutputFormat format, std::set<MetadataPolicy> honouring, Stripping stripping);

    OutputFormat format() const override { return format_; }
    std::set<MetadataPolicy> honouredMetadataPolicies() const override { return honouring_; }
    // Throws SVGMetadata::CannotStrip when an SVG's metadata cannot be cut out safely.
    platform::Bytes optimise(const platform::Bytes& source, MetadataPolicy metadata, std::uint32_t orientation,
                             EncodeEffort effort, std::uint64_t memoryBound) const override;
    // The cut's, which parses the document twice and writes it out to compare, or the copy.
    std::optional<std::uint64_t> workingBytes(std::span<const std::uint8_t> start, std::uint64_t fileBytes,
                                              MetadataPolicy metadata, std::uint32_t orientation,
                                              std::uint64_t memoryBound) const override;

private:
    OutputFormat format_;
    std::set<MetadataPolicy> honouring_;
    Stripping stripping_;
};

} // namespace pictavo
