#include "ImageEngine/Model/MetadataPolicy.h"

#include <string>

namespace pictavo {

std::string_view rawValue(MetadataPolicy policy) {
    return policy == MetadataPolicy::keepAll ? "keepAll" : "strip";
}

std::optional<MetadataPolicy> metadataPolicy(std::string_view raw) {
    for (MetadataPolicy policy : allMetadataPolicies)
        if (rawValue(policy) == raw) return policy;
    return std::nullopt;
}

platform::json::Value encode(MetadataPolicy policy) { return rawValue(policy); }

MetadataPolicy decodeMetadataPolicy(const platform::json::Reader& reader) {
    const std::string raw = reader.string();
    if (auto policy = metadataPolicy(raw)) return *policy;
    throw platform::json::DecodingError(platform::json::DecodingError::Kind::dataCorrupted, reader.codingPath(),
                                        "Cannot initialize MetadataPolicy from invalid String value " + raw);
}

} // namespace pictavo
