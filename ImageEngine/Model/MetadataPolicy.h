#pragma once
#include "platform/text/JSONCoding.h"

#include <array>
#include <optional>
#include <string_view>

namespace pictavo {

// Keep or strip the source's metadata.
enum class MetadataPolicy { keepAll, strip };

inline constexpr std::array<MetadataPolicy, 2> allMetadataPolicies = {MetadataPolicy::keepAll, MetadataPolicy::strip};

// "keepAll" or "strip", the stored form.
std::string_view rawValue(MetadataPolicy policy);
// Exact match only: "KeepAll" is no policy.
std::optional<MetadataPolicy> metadataPolicy(std::string_view rawValue);

platform::json::Value encode(MetadataPolicy policy);
// dataCorrupted for a string that is no raw value.
MetadataPolicy decodeMetadataPolicy(const platform::json::Reader& reader);

} // namespace pictavo
