#pragma once
#include "ImageEngine/Model/OutputFormat.h"

#include <vector>

namespace pictavo {

// Formats in menu order: by display label, compared as canonically normalised Unicode
// scalars (case-sensitive), stable, and by identifier among equal labels so that the
// order never depends on how the formats were stored.
std::vector<OutputFormat> sortedByDisplayName(std::vector<OutputFormat> formats);

} // namespace pictavo
