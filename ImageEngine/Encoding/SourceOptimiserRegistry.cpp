#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"

#include "ImageEngine/Model/FormatOrdering.h"
#include "ImageEngine/Encoding/png/LibDeflatePNGSourceOptimiser.h"
#include "ImageEngine/Encoding/jpeg/MozJPEGSourceOptimiser.h"
#include "ImageEngine/Encoding/vector/VectorPassthroughOptimiser.h"

namespace pictavo {

SourceOptimiserRegistry::SourceOptimiserRegistry(const std::vector<SourceOptimiserRef>& optimisers) {
    for (const auto& optimiser : optimisers) optimisers_[optimiser->format().id()] = optimiser;
}

SourceOptimiserRegistry SourceOptimiserRegistry::standard() {
    // One line per optimiser, in this order: JPEG, PNG, then the SVG and PDF pass-throughs.
    return SourceOptimiserRegistry(std::vector<SourceOptimiserRef>{
        std::make_shared<MozJPEGSourceOptimiser>(),
        std::make_shared<LibDeflatePNGSourceOptimiser>(),
        std::make_shared<VectorPassthroughOptimiser>(OutputFormat(platform::ContentType::svg()),
                                                     std::set{MetadataPolicy::keepAll, MetadataPolicy::strip},
                                                     VectorPassthroughOptimiser::Stripping::svgXMP),
        std::make_shared<VectorPassthroughOptimiser>(OutputFormat::pdf(), std::set{MetadataPolicy::keepAll},
                                                     VectorPassthroughOptimiser::Stripping::nothing),
    });
}

SourceOptimiserRef SourceOptimiserRegistry::optimiser(const OutputFormat& format) const {
    auto found = optimisers_.find(format.id());
    return found == optimisers_.end() ? nullptr : found->second;
}

std::vector<OutputFormat> SourceOptimiserRegistry::formats(MetadataPolicy honouring) const {
    std::vector<OutputFormat> result;
    for (const auto& [key, optimiser] : optimisers_)
        if (optimiser->honouredMetadataPolicies().count(honouring)) result.push_back(optimiser->format());
    return result;
}

std::vector<OutputFormat> SourceOptimiserRegistry::supportedFormats() const {
    std::vector<OutputFormat> result;
    for (const auto& [key, optimiser] : optimisers_) result.push_back(optimiser->format());
    return sortedByDisplayName(std::move(result));
}

} // namespace pictavo
