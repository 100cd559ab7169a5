#pragma once
#include "platform/text/JSONCoding.h"

#include <array>
#include <optional>
#include <string_view>

namespace pictavo {

// Convert the output to sRGB, or keep the source's colour space.
enum class ColourPolicy { convertToSRGB, preserve };

inline constexpr std::array<ColourPolicy, 2> allColourPolicies = {ColourPolicy::convertToSRGB, ColourPolicy::preserve};

// "convertToSRGB" or "preserve", the stored form.
std::string_view rawValue(ColourPolicy policy);
// Exact match only.
std::optional<ColourPolicy> colourPolicy(std::string_view rawValue);

platform::json::Value encode(ColourPolicy policy);
// dataCorrupted for a string that is no raw value.
ColourPolicy decodeColourPolicy(const platform::json::Reader& reader);

} // namespace pictavo
