#include "ImageEngine/Model/ResizeSpec.h"

#include "platform/base/Hashing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace pictavo {

namespace json = platform::json;

namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

std::int64_t clampedToTypeable(std::int64_t value) {
    return std::clamp(value, ResizeSpec::typeableDimensions.lowerBound, ResizeSpec::typeableDimensions.upperBound);
}

// Rounded half away from zero and at least 1; NaN becomes 1.
double wholeSide(double side) {
    const double rounded = platform::roundHalfAway(side);
    return rounded >= 1 ? rounded : 1;
}

json::Value factorPayload(double factor, const json::CodingPath& path, const char* key) {
    json::CodingPath at = path;
    at.insert(at.end(), {key, "_0"});
    return {{"_0", json::finiteNumber(factor, at)}};
}

} // namespace

platform::Size ResizeSpec::targetSize(platform::Size source, bool allowUpscale) const {
    const double w = source.width;
    const double h = source.height;
    if (!(w > 0) || !(h > 0)) return {1, 1};

    const auto scaled = [&](double factor) { return platform::Size{w * factor, h * factor}; };
    platform::Size candidate = std::visit(
        Overloaded{
            [&](const Original&) { return source; },
            [&](const Percentage& p) { return scaled(p.factor); },
            [&](const Scale& s) { return scaled(s.factor); },
            [&](const LongestEdge& e) { return scaled(static_cast<double>(e.pixels) / std::max(w, h)); },
            [&](const Fit& f) {
                std::optional<double> factor;
                if (f.maxWidth) factor = static_cast<double>(*f.maxWidth) / w;
                if (f.maxHeight) {
                    const double byHeight = static_cast<double>(*f.maxHeight) / h;
                    factor = factor ? std::min(*factor, byHeight) : byHeight;
                }
                return factor ? scaled(*factor) : source;
            },
        },
        case_);

    if (!allowUpscale) {
        if (candidate.width > w) candidate.width = w;
        if (candidate.height > h) candidate.height = h;
    }
    return {wholeSide(candidate.width), wholeSide(candidate.height)};
}

ResizeSpec ResizeSpec::withinStorageBounds() const {
    const auto usableFactor = [](double factor) { return std::isfinite(factor) && factor > 0; };
    return std::visit(
        Overloaded{
            [&](const Original&) { return *this; },
            [&](const Fit& f) {
                const auto bound = [](std::optional<std::int64_t> side) {
                    return side ? std::optional(clampedToTypeable(*side)) : std::nullopt;
                };
                return fit(bound(f.maxWidth), bound(f.maxHeight));
            },
            [&](const Percentage& p) { return usableFactor(p.factor) ? *this : original(); },
            [&](const Scale& s) { return usableFactor(s.factor) ? *this : original(); },
            [&](const LongestEdge& e) { return longestEdge(clampedToTypeable(e.pixels)); },
        },
        case_);
}

std::optional<std::int64_t> ResizeSpec::typedDimension(std::string_view text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9') digits += c;
    if (digits.empty()) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) return typeableDimensions.upperBound;
    (void)end;
    return clampedToTypeable(value);
}

std::size_t ResizeSpec::hash() const {
    std::size_t seed = 0;
    platform::hashCombine(seed, case_.index());
    std::visit(Overloaded{
                   [&](const Original&) {},
                   [&](const Fit& f) {
                       for (const auto& bound : {f.maxWidth, f.maxHeight}) {
                           platform::hashCombineValue(seed, bound.has_value());
                           if (bound) platform::hashCombineValue(seed, *bound);
                       }
                   },
                   [&](const Percentage& p) { platform::hashCombine(seed, platform::hashDouble(p.factor)); },
                   [&](const Scale& s) { platform::hashCombine(seed, platform::hashDouble(s.factor)); },
                   [&](const LongestEdge& e) { platform::hashCombineValue(seed, e.pixels); },
               },
               case_);
    return seed;
}

json::Value ResizeSpec::encode(const json::CodingPath& path) const {
    return std::visit(
        Overloaded{
            [&](const Original&) { return json::closedSetCase("original"); },
            [&](const Fit& f) {
                json::Value bounds = json::Value::object();
                if (f.maxWidth) bounds["maxWidth"] = *f.maxWidth;
                if (f.maxHeight) bounds["maxHeight"] = *f.maxHeight;
                return json::closedSetCase("fit", std::move(bounds));
            },
            [&](const Percentage& p) {
                return json::closedSetCase("percentage", factorPayload(p.factor, path, "percentage"));
            },
            [&](const Scale& s) { return json::closedSetCase("scale", factorPayload(s.factor, path, "scale")); },
            [&](const LongestEdge& e) { return json::closedSetCase("longestEdge", {{"_0", e.pixels}}); },
        },
        case_);
}

ResizeSpec ResizeSpec::decode(const json::Reader& reader) {
    const auto [name, payload] =
        reader.object().closedSetCase({"original", "fit", "percentage", "scale", "longestEdge"});
    const auto fields = payload.object();
    if (name == "original") return original();
    if (name == "fit") {
        const auto width = fields.ifPresent("maxWidth");
        const auto height = fields.ifPresent("maxHeight");
        return fit(width ? std::optional(width->int64()) : std::nullopt,
                   height ? std::optional(height->int64()) : std::nullopt);
    }
    if (name == "percentage") return percentage(fields.number("_0"));
    if (name == "scale") return scale(fields.number("_0"));
    return longestEdge(fields.int64("_0"));
}

} // namespace pictavo
