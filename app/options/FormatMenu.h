#pragma once
#include "ImageEngine/Model/OutputFormat.h"
#include "app/design/DSMenuContent.h"
#include "app/design/MenuChoice.h"

#include <vector>

namespace pictavo::FormatMenu {

using Tag = MenuChoice<OutputFormat>;

// Every format the standard engine encodes, by label; made once.
const std::vector<OutputFormat>& allFormats();

// "Same as source"; the featured formats; "More" with the rest of `all` in its order; and,
// unless the current format is the default one, "Save as default".
DSMenuContent<Tag> content(const OutputFormat& current, bool matchesDefault, const std::vector<OutputFormat>& featured,
                           const std::vector<OutputFormat>& all);

} // namespace pictavo::FormatMenu
