#pragma once
#include "ImageEngine/Model/OutputFormat.h"
#include "app/design/DSMenuContent.h"
#include "app/design/MenuChoice.h"

#include <vector>

namespace pictavo {
class ConversionEngine;
}

namespace pictavo::FormatMenu {

using Tag = MenuChoice<OutputFormat>;

// Every format the engine encodes, by label.
std::vector<OutputFormat> allFormats(const ConversionEngine& engine);
// The formats the menu offers first, of those the engine can write.
std::vector<OutputFormat> featuredFormats(const ConversionEngine& engine);

// "Same as source"; the featured formats; "More" with the rest of `all` in its order; and,
// unless the current format is the default one, "Save as default".
DSMenuContent<Tag> content(const OutputFormat& current, bool matchesDefault, const std::vector<OutputFormat>& featured,
                           const std::vector<OutputFormat>& all);

} // namespace pictavo::FormatMenu
