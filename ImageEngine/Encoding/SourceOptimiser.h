#pragma once
#include "ImageEngine/Model/EncodeEffort.h"
#include "ImageEngine/Model/OutputFormat.h"
#include "ImageEngine/Model/MetadataPolicy.h"
#include "ImageEngine/Running/PixelMemory.h"
#include "platform/base/Bytes.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>

namespace pictavo {

// Rewrites a source file of its own format without decoding its pixels, so nothing of the
// picture is lost; an optimiser that cannot do so for a file throws.
class SourceOptimiser {
public:
    virtual ~SourceOptimiser() = default;

    virtual OutputFormat format() const = 0;
    virtual std::set<MetadataPolicy> honouredMetadataPolicies() const { return {MetadataPolicy::keepAll}; }
    virtual bool bakesOrientationWithoutDecoding() const { return false; }
    // What rewriting a source of `fileBytes` bytes holds beside them at its peak, rewrite
    // included, read from `start`, the first bytes of the file, so that a conversion is
    // admitted for it before the file is read; `memoryBound` is what optimise will be given.
    // None when the header is not within `start`. By default the rewrite alone, for an
    // optimiser that only copies or cuts the source.
    virtual std::optional<std::uint64_t> workingBytes(std::span<const std::uint8_t> start, std::uint64_t fileBytes,
                                                      MetadataPolicy metadata, std::uint32_t orientation,
                                                      std::uint64_t memoryBound) const {
        (void)start, (void)metadata, (void)orientation, (void)memoryBound;
        return fileBytes;
    }
    // `orientation` is the source's EXIF orientation, 1 to 8. `memoryBound` is the capacity of
    // the memory the conversion was admitted by: a rewrite never holds more.
    virtual platform::Bytes optimise(const platform::Bytes& source, MetadataPolicy metadata, std::uint32_t orientation,
                                     EncodeEffort effort, std::uint64_t memoryBound) const = 0;

    // The rewritten `file` with its EXIF replaced by `exif` (TIFF-structured; none leaves it
    // out) carrying `orientation`, for a source whose own EXIF is damaged. Nothing when the
    // optimiser cannot replace it: the picture is then decoded, and its EXIF written anew.
    virtual std::optional<platform::Bytes> withExif(const platform::Bytes& file, const std::optional<platform::Bytes>& exif,
                                                    std::uint32_t orientation) const {
        (void)file, (void)exif, (void)orientation;
        return std::nullopt;
    }

    // Outside a conversion, bounded by the memory all conversions share.
    platform::Bytes optimise(const platform::Bytes& source, MetadataPolicy metadata, std::uint32_t orientation,
                             EncodeEffort effort = EncodeEffort::final) const {
        return optimise(source, metadata, orientation, effort, PixelMemory::shared()->capacity());
    }
};

using SourceOptimiserRef = std::shared_ptr<const SourceOptimiser>;

} // namespace pictavo
