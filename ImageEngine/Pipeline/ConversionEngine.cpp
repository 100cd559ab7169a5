#include "ImageEngine/Pipeline/ConversionEngine.h"

#include "ImageEngine/Pipeline/ConversionPipeline.h"
#include "ImageEngine/Pipeline/WriteableFormats.h"
#include "ImageEngine/Running/EncodeExecutor.h"
#include "ImageEngine/Encoding/LosslessReoptimisation.h"

namespace pictavo {

ConversionEngine::ConversionEngine(DecoderRegistry decoders, EncoderRegistry encoders,
                                   SourceOptimiserRegistry optimisers, std::shared_ptr<PixelMemory> memory)
    : registries_(std::make_shared<const Registries>(
          Registries{std::move(decoders), std::move(encoders), std::move(optimisers)})),
      memory_(memory ? std::move(memory) : PixelMemory::shared()) {}

ImageProperties ConversionEngine::properties(const std::filesystem::path& source) const {
    return decoders().decoder(source)->properties(source);
}

OutputFormat ConversionEngine::resolvedFormat(const std::filesystem::path& source, const OutputSpec& spec,
                                              std::int64_t page) const {
    if (!spec.format.isSameAsSource()) return spec.format;
    return resolution(properties(source), spec, page).format;
}

OutputFormat::Resolution ConversionEngine::resolution(const ImageProperties& properties, const OutputSpec& spec,
                                                      std::int64_t page) const {
    if (!spec.format.isSameAsSource()) return {spec.format, std::nullopt};
    return spec.format.resolved(properties.sourceUTType, properties.hasAlpha,
                                writableIdentifiers(properties, spec, page));
}

std::unordered_set<std::string> ConversionEngine::writableIdentifiers() const {
    return WriteableFormats::writeableIdentifiers(encoders().formats(), optimisers().formats(MetadataPolicy::keepAll),
                                                  optimisers().formats(MetadataPolicy::strip));
}

std::unordered_set<std::string> ConversionEngine::writableIdentifiers(const ImageProperties& properties,
                                                                      const OutputSpec& spec,
                                                                      std::int64_t page) const {
    std::unordered_set<std::string> identifiers;
    for (const auto& format : encoders().formats()) identifiers.insert(format.id());
    if (!properties.sourceUTType) return identifiers;
    const OutputFormat sourceFormat(*properties.sourceUTType);
    if (identifiers.count(sourceFormat.id())) return identifiers;
    const SourceOptimiserRef optimiser = optimisers().optimiser(sourceFormat);
    if (!optimiser) return identifiers;
    OutputSpec keeping = spec;
    keeping.format = sourceFormat;
    if (!LosslessReoptimisation::ineligibility(keeping, page, properties) &&
        !LosslessReoptimisation::optimiserRefuses(*optimiser, spec.metadata, properties.orientation))
        identifiers.insert(sourceFormat.id());
    return identifiers;
}

void ConversionEngine::converted(const std::filesystem::path& source, const OutputSpec& spec, std::int64_t page,
                                 EncodeEffort effort, std::stop_token stop, Completion done) const {
    // The job holds its own copy of the engine, which shares the registries.
    EncodeExecutor::shared().encoding(
        std::move(stop),
        [engine = *this, source, spec, page, effort](std::stop_token token) {
            return engine.convert(source, spec, page, effort, token);
        },
        std::move(done));
}

ConversionResult ConversionEngine::convert(const std::filesystem::path& source, const OutputSpec& spec,
                                           std::int64_t page, EncodeEffort effort, std::stop_token stop) const {
    return ConversionPipeline(*this, source, spec, page, effort, std::move(stop)).run();
}

} // namespace pictavo
