#include "ImageEngine/Model/MatteColour.h"

#include "platform/base/Hashing.h"

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace json = platform::json;

const MatteColour& MatteColour::white() {
    static const MatteColour colour{1.0, 1.0, 1.0};
    return colour;
}

const MatteColour& MatteColour::black() {
    static const MatteColour colour{0.0, 0.0, 0.0};
    return colour;
}

MatteColour MatteColour::clampedForDrawing() const {
    const auto clamp = [](double component) { return std::isnan(component) ? 0.0 : std::clamp(component, 0.0, 1.0); };
    return {clamp(red), clamp(green), clamp(blue)};
}

std::size_t MatteColour::hash() const {
    std::size_t seed = 0;
    for (double component : {red, green, blue}) platform::hashCombine(seed, platform::hashDouble(component));
    return seed;
}

json::Value MatteColour::encode(const json::CodingPath& path) const {
    const auto component = [&](const char* key, double value) {
        json::CodingPath at = path;
        at.emplace_back(key);
        return json::finiteNumber(value, at);
    };
    return {{"red", component("red", red)}, {"green", component("green", green)}, {"blue", component("blue", blue)}};
}

MatteColour MatteColour::decode(const json::Reader& reader) {
    const auto object = reader.object();
    return {object.number("red"), object.number("green"), object.number("blue")};
}

} // namespace pictavo
