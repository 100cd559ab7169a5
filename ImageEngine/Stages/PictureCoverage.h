#pragma once
#include <cstdint>

namespace pictavo {

// The part of a picture that an image's pixels cover, as fractions of the picture's sides
// counted from its top-left corner. A picture decoded at a reduced size covers a little more
// than the whole where its last column or row stands for stored pixels past the edge; drawn
// over this part, every pixel lands where its stored pixels were.
struct PictureCoverage {
    double left = 0;
    double top = 0;
    double right = 1;
    double bottom = 1;

    // What `width` × `height` pixels cover that each stand for `across` × `down` stored pixels
    // of a `storedWidth` × `storedHeight` picture, starting at its top-left corner.
    static PictureCoverage ofReduced(std::int64_t width, std::int64_t height, double across, double down,
                                     std::int64_t storedWidth, std::int64_t storedHeight);

    // The same part once the image is turned as the EXIF orientation (1 to 8) turns it.
    PictureCoverage oriented(std::uint32_t orientation) const;

    friend bool operator==(const PictureCoverage&, const PictureCoverage&) = default;
};

} // namespace pictavo
