#pragma once
#include "ImageEngine/Model/ResizeSpec.h"

#include <cstdint>
#include <optional>

// The two sides of a custom box, each edited on its own. A sizing that is no box has neither
// side; typing one side of it makes a box of that side alone. Clearing the last side leaves the
// original size.
namespace pictavo::FitBox {

std::optional<std::int64_t> width(const ResizeSpec& sizing);
std::optional<std::int64_t> height(const ResizeSpec& sizing);
ResizeSpec withWidth(const ResizeSpec& sizing, std::optional<std::int64_t> width);
ResizeSpec withHeight(const ResizeSpec& sizing, std::optional<std::int64_t> height);

} // namespace pictavo::FitBox
