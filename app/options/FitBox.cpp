#include "app/options/FitBox.h"

#include <variant>

namespace pictavo::FitBox {

namespace {

ResizeSpec boxOrOriginal(std::optional<std::int64_t> width, std::optional<std::int64_t> height) {
    if (!width && !height) return ResizeSpec::original();
    return ResizeSpec::fit(width, height);
}

} // namespace

std::optional<std::int64_t> width(const ResizeSpec& sizing) {
    const auto* box = std::get_if<ResizeSpec::Fit>(&sizing.value());
    return box ? box->maxWidth : std::nullopt;
}

std::optional<std::int64_t> height(const ResizeSpec& sizing) {
    const auto* box = std::get_if<ResizeSpec::Fit>(&sizing.value());
    return box ? box->maxHeight : std::nullopt;
}

ResizeSpec withWidth(const ResizeSpec& sizing, std::optional<std::int64_t> newWidth) {
    return boxOrOriginal(newWidth, height(sizing));
}

ResizeSpec withHeight(const ResizeSpec& sizing, std::optional<std::int64_t> newHeight) {
    return boxOrOriginal(width(sizing), newHeight);
}

} // namespace pictavo::FitBox
