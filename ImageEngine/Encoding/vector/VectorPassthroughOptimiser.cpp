#include "ImageEngine/Encoding/vector/VectorPassthroughOptimiser.h"

#include "ImageEngine/Minify/SVGMetadataCut.h"
#include "platform/base/ProcessInfo.h"

#include <cassert>

namespace pictavo {

VectorPassthroughOptimiser::VectorPassthroughOptimiser(OutputFormat format, std::set<MetadataPolicy> honouring,
                                                       Stripping stripping)
    : format_(std::move(format)), honouring_(std::move(honouring)), stripping_(stripping) {
    assert(!honouring_.count(MetadataPolicy::strip) || stripping_ != Stripping::nothing);
}

platform::Bytes VectorPassthroughOptimiser::optimise(const platform::Bytes& source, MetadataPolicy metadata, std::uint32_t,
                                                     EncodeEffort, std::uint64_t) const {
    if (metadata != MetadataPolicy::strip || stripping_ != Stripping::svgXMP) return source;
    // The cut's own parses stay with the process once freed otherwise, whether it cuts or refuses.
    struct Released {
        std::uint64_t bytes;
        ~Released() { platform::ProcessInfo::releaseParsedMemory(bytes); }
    } released{source.size()};
    return SVGMetadata::strip(source);
}

std::optional<std::uint64_t> VectorPassthroughOptimiser::workingBytes(std::span<const std::uint8_t>,
                                                                      std::uint64_t fileBytes, MetadataPolicy metadata,
                                                                      std::uint32_t, std::uint64_t) const {
    // Measured on a 28.5 MB document of 435,000 paths: 440 MB beside the file.
    constexpr std::uint64_t cutBytesPerFileByte = 16;
    if (metadata == MetadataPolicy::strip && stripping_ == Stripping::svgXMP) return cutBytesPerFileByte * fileBytes;
    return fileBytes;
}

} // namespace pictavo
