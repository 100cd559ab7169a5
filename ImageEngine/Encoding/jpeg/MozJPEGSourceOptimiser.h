#pragma once
#include "ImageEngine/Encoding/SourceOptimiser.h"

#include <cstdint>

namespace pictavo {

class Reorientation;

// Rewrites a JPEG without decoding it: the coefficients are kept, the entropy coding is
// optimised, and the smaller of a sequential and a progressive file wins. When metadata is
// stripped only the colour profile stays and the EXIF orientation is baked into the
// coefficients by a lossless turn; when it is kept every marker stays and nothing turns.
// Only the first picture is rewritten: what follows it (the further pictures of an MPF
// index, a motion photo's video) goes with stripped metadata and stays byte for byte with
// kept metadata, its index made true again.
class MozJPEGSourceOptimiser final : public SourceOptimiser {
public:
    MozJPEGSourceOptimiser();

    // The JPEG library's lossless turn code for a reorientation (quarter turns to the
    // right, mirrored first).
    static std::uint32_t turnFor(const Reorientation& reorientation);

    OutputFormat format() const override { return format_; }
    std::set<MetadataPolicy> honouredMetadataPolicies() const override {
        return {MetadataPolicy::keepAll, MetadataPolicy::strip};
    }
    bool bakesOrientationWithoutDecoding() const override { return true; }
    // The coefficients of the whole picture (twice when it turns) and the two rewrites.
    std::optional<std::uint64_t> workingBytes(std::span<const std::uint8_t> start, std::uint64_t fileBytes,
                                              MetadataPolicy metadata, std::uint32_t orientation,
                                              std::uint64_t memoryBound) const override;
    platform::Bytes optimise(const platform::Bytes& source, MetadataPolicy metadata, std::uint32_t orientation,
                             EncodeEffort effort, std::uint64_t memoryBound) const override;
    using SourceOptimiser::optimise;
    // Every EXIF segment gives way to one written anew; the coefficients stay as they are.
    std::optional<platform::Bytes> withExif(const platform::Bytes& file, const std::optional<platform::Bytes>& exif,
                                            std::uint32_t orientation) const override;

private:
    OutputFormat format_;
};

} // namespace pictavo
