#include "ImageEngine/Model/Reorientation.h"

#include "platform/base/Hashing.h"

namespace pictavo {

namespace {

// A mathematical modulo: C++ keeps the sign of the dividend (-1 % 4 is -1).
std::int64_t quarterTurnsModulo(std::int64_t turns) { return ((turns % 4) + 4) % 4; }

struct Entry {
    const char* description;
    std::uint32_t exif;
};

// Indexed by mirrored * 4 + quarter turns.
constexpr Entry entries[8] = {
    {"Unchanged", 1},            {"Turned right", 6},           {"Turned upside down", 3},
    {"Turned left", 8},          {"Flipped horizontally", 2},   {"Flipped and turned right", 7},
    {"Flipped vertically", 4},   {"Flipped and turned left", 5},
};

const Entry& entryFor(std::int64_t quarterTurns, bool mirrored) {
    return entries[(mirrored ? 4 : 0) + quarterTurns];
}

} // namespace

Reorientation::Reorientation(std::int64_t quarterTurns, bool mirrored)
    : quarterTurns_(quarterTurnsModulo(quarterTurns)), mirrored_(mirrored) {}

const Reorientation& Reorientation::none() {
    static const Reorientation value;
    return value;
}

const std::vector<Reorientation>& Reorientation::all() {
    static const std::vector<Reorientation> values = {
        Reorientation(0, false), Reorientation(0, true), Reorientation(1, false), Reorientation(1, true),
        Reorientation(2, false), Reorientation(2, true), Reorientation(3, false), Reorientation(3, true)};
    return values;
}

Reorientation Reorientation::uprighting(std::uint32_t exifOrientation) {
    for (const auto& value : all())
        if (value.exifEquivalent() == exifOrientation) return value;
    return none();
}

Reorientation Reorientation::rotatedRight() const { return Reorientation(quarterTurns_ + 1, mirrored_); }
Reorientation Reorientation::rotatedLeft() const { return Reorientation(quarterTurns_ - 1, mirrored_); }
Reorientation Reorientation::turnedHalfway() const { return Reorientation(quarterTurns_ + 2, mirrored_); }
Reorientation Reorientation::flippedHorizontally() const { return Reorientation(-quarterTurns_, !mirrored_); }
Reorientation Reorientation::flippedVertically() const { return Reorientation(2 - quarterTurns_, !mirrored_); }

std::string Reorientation::description() const { return entryFor(quarterTurns_, mirrored_).description; }

std::uint32_t Reorientation::exifEquivalent() const { return entryFor(quarterTurns_, mirrored_).exif; }

platform::Size Reorientation::outputSize(platform::Size size) const {
    return swapsAxes() ? platform::Size{size.height, size.width} : size;
}

std::size_t Reorientation::hash() const {
    std::size_t seed = 0;
    platform::hashCombineValue(seed, quarterTurns_);
    platform::hashCombineValue(seed, mirrored_);
    return seed;
}

platform::json::Value Reorientation::encode() const {
    return {{"quarterTurns", quarterTurns_}, {"mirrored", mirrored_}};
}

Reorientation Reorientation::decode(const platform::json::Reader& reader) {
    const auto object = reader.object();
    const auto turns = object.ifPresent("quarterTurns");
    const auto mirrored = object.ifPresent("mirrored");
    return Reorientation(turns ? turns->int64() : 0, mirrored ? mirrored->boolean() : false);
}

} // namespace pictavo
