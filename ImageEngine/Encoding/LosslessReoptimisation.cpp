#include "ImageEngine/Encoding/LosslessReoptimisation.h"

namespace pictavo::LosslessReoptimisation {

std::optional<Ineligibility> ineligibility(const OutputSpec& spec, std::int64_t page, const ImageProperties& properties) {
    if (!properties.sourceUTType) return Ineligibility::differentFormat;
    if (!(spec.format == OutputFormat(*properties.sourceUTType))) return Ineligibility::differentFormat;
    if (!std::holds_alternative<ResizeSpec::Original>(spec.sizing.value())) return Ineligibility::resize;
    if (spec.quality.kind() != QualityMode::Kind::lossless) return Ineligibility::quality;
    if (spec.colour != ColourPolicy::preserve) return Ineligibility::colour;
    const Adjustments& adjustments = spec.adjustments;
    if (!adjustments.reorientation.isIdentity() || adjustments.greyscale) return Ineligibility::adjustments;
    if (page != 1 || properties.pageCount > 1) return Ineligibility::multiPage;
    if (properties.frameCount > 1) return Ineligibility::animated;
    return std::nullopt;
}

bool wouldBeTheSameFile(const OutputSpec& spec, std::int64_t page, const ImageProperties& properties) {
    return !ineligibility(spec, page, properties).has_value();
}

std::optional<Ineligibility> optimiserRefuses(const SourceOptimiser& optimiser, MetadataPolicy metadata,
                                              std::uint32_t orientation) {
    if (!optimiser.honouredMetadataPolicies().count(metadata)) return Ineligibility::metadata;
    // Stripping metadata takes the orientation tag with it, so the turn must go into the
    // pixels, which only an optimiser that can turn them without decoding may do.
    if (metadata == MetadataPolicy::strip && orientation != 1 && !optimiser.bakesOrientationWithoutDecoding())
        return Ineligibility::orientation;
    return std::nullopt;
}

std::optional<Ineligibility> check(const OutputSpec& spec, std::int64_t page, const ImageProperties& properties,
                                   const SourceOptimiserRegistry& optimisers) {
    if (auto reason = ineligibility(spec, page, properties)) return reason;
    const SourceOptimiserRef optimiser = optimisers.optimiser(spec.format);
    if (!optimiser) return Ineligibility::noOptimiser;
    return optimiserRefuses(*optimiser, spec.metadata, properties.orientation);
}

} // namespace pictavo::LosslessReoptimisation
