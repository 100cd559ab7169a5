#pragma once
#include "ImageEngine/Model/OutputFormat.h"

#include <optional>
#include <vector>

namespace pictavo {

class ConversionEngine;

// The Format picker's list: "Same as source", a divider, the featured formats, a divider
// that is always there, then every other format the engine writes, by label. A divider is none.
std::vector<std::optional<OutputFormat>> settingsFormatChoices(const ConversionEngine& engine);

// Whether a default format offers a compression setting, and whether it drops transparency
// (both count "Same as source" as keeping what the source had).
bool formatIsLossy(const OutputFormat& format);
bool formatKeepsTransparency(const OutputFormat& format);

} // namespace pictavo
