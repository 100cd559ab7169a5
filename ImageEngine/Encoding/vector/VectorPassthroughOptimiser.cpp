#include "ImageEngine/Encoding/vector/VectorPassthroughOptimiser.h"

#include "ImageEngine/Minify/SVGMetadataCut.h"

#include <cassert>

namespace pictavo {

VectorPassthroughOptimiser::VectorPassthroughOptimiser(OutputFormat format, std::set<MetadataPolicy> honouring,
                                                       Stripping stripping)
    : format_(std::move(format)), honouring_(std::move(honouring)), stripping_(stripping) {
    assert(!honouring_.count(MetadataPolicy::strip) || stripping_ != Stripping::nothing);
}

platform::Bytes VectorPassthroughOptimiser::optimise(const platform::Bytes& source, MetadataPolicy metadata, std::uint32_t,
                                                     EncodeEffort, std::uint64_t) const {
    if (metadata == MetadataPolicy::strip && stripping_ == Stripping::svgXMP) return SVGMetadata::strip(source);
    return source;
}

} // namespace pictavo
