#pragma once
#include "platform/base/Geometry.h"
#include "platform/text/JSONCoding.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pictavo {

// A user's turn and flip: one of the eight right-angle orientations. "Flipped and turned"
// means flipped horizontally first, then turned to the right.
class Reorientation {
public:
    // Quarter turns are kept modulo 4 (5 is 1, -1 is 3), so that the description, the axis
    // swap, the turn that is drawn and the identity test always describe the same image.
    Reorientation() : Reorientation(0, false) {}
    explicit Reorientation(std::int64_t quarterTurns, bool mirrored = false);

    static const Reorientation& none();
    // (0,false), (0,true), (1,false), (1,true), (2,false), (2,true), (3,false), (3,true).
    static const std::vector<Reorientation>& all();
    // The value whose EXIF equivalent is the given orientation, which makes an image with
    // that orientation upright; none() for a value outside 1 to 8.
    static Reorientation uprighting(std::uint32_t exifOrientation);

    std::int64_t quarterTurns() const { return quarterTurns_; }
    bool mirrored() const { return mirrored_; }
    bool isIdentity() const { return quarterTurns_ == 0 && !mirrored_; }
    bool swapsAxes() const { return quarterTurns_ % 2 == 1; }

    Reorientation rotatedRight() const;
    Reorientation rotatedLeft() const;
    Reorientation turnedHalfway() const;
    Reorientation flippedHorizontally() const;
    Reorientation flippedVertically() const;

    // "Unchanged", "Turned right", … "Flipped and turned left".
    std::string description() const;
    // The EXIF orientation (1 to 8) that shows stored pixels the way this value turns them.
    std::uint32_t exifEquivalent() const;
    platform::Size outputSize(platform::Size size) const;
    platform::Size inputSize(platform::Size size) const { return outputSize(size); }

    friend bool operator==(const Reorientation&, const Reorientation&) = default;
    std::size_t hash() const;

    platform::json::Value encode() const;
    // Both keys may be missing (0 turns, not mirrored).
    static Reorientation decode(const platform::json::Reader& reader);

private:
    std::int64_t quarterTurns_;
    bool mirrored_;
};

} // namespace pictavo

template <>
struct std::hash<pictavo::Reorientation> {
    std::size_t operator()(const pictavo::Reorientation& value) const { return value.hash(); }
};
