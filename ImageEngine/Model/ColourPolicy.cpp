#include "ImageEngine/Model/ColourPolicy.h"

#include <string>

namespace pictavo {

std::string_view rawValue(ColourPolicy policy) {
    return policy == ColourPolicy::convertToSRGB ? "convertToSRGB" : "preserve";
}

std::optional<ColourPolicy> colourPolicy(std::string_view raw) {
    for (ColourPolicy policy : allColourPolicies)
        if (rawValue(policy) == raw) return policy;
    return std::nullopt;
}

platform::json::Value encode(ColourPolicy policy) { return rawValue(policy); }

ColourPolicy decodeColourPolicy(const platform::json::Reader& reader) {
    const std::string raw = reader.string();
    if (auto policy = colourPolicy(raw)) return *policy;
    throw platform::json::DecodingError(platform::json::DecodingError::Kind::dataCorrupted, reader.codingPath(),
                                        "Cannot initialize ColourPolicy from invalid String value " + raw);
}

} // namespace pictavo
