#include "ImageEngine/Stages/PictureCoverage.h"

#include <utility>

namespace pictavo {

PictureCoverage PictureCoverage::ofReduced(std::int64_t width, std::int64_t height, double across, double down,
                                           std::int64_t storedWidth, std::int64_t storedHeight) {
    PictureCoverage coverage;
    if (storedWidth > 0) coverage.right = static_cast<double>(width) * across / static_cast<double>(storedWidth);
    if (storedHeight > 0) coverage.bottom = static_cast<double>(height) * down / static_cast<double>(storedHeight);
    return coverage;
}

PictureCoverage PictureCoverage::oriented(std::uint32_t orientation) const {
    // Orientations 5 to 8 swap the axes; then each flips the turned picture's columns, rows,
    // both or neither, as the pixels are moved.
    const bool swaps = orientation >= 5 && orientation <= 8;
    const bool flipsColumns = orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7;
    const bool flipsRows = orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8;
    PictureCoverage turned = *this;
    if (swaps) {
        std::swap(turned.left, turned.top);
        std::swap(turned.right, turned.bottom);
    }
    if (flipsColumns) turned = {1 - turned.right, turned.top, 1 - turned.left, turned.bottom};
    if (flipsRows) turned = {turned.left, 1 - turned.bottom, turned.right, 1 - turned.top};
    return turned;
}

} // namespace pictavo
