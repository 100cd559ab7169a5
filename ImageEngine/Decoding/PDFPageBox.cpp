#include "ImageEngine/Decoding/PDFPageBox.h"

#include <algorithm>
#include <cmath>

namespace pictavo {

PDFPageBox PDFPageBox::of(const platform::PDFPage& page) {
    return {shownBox(page.mediaBox(), page.cropBox()), quarterTurn(page.rotationAngle())};
}

platform::Rect PDFPageBox::shownBox(platform::Rect mediaBox, platform::Rect cropBox) {
    if (!(cropBox.size.width > 0) || !(cropBox.size.height > 0)) return mediaBox;
    const double left = std::max(mediaBox.origin.x, cropBox.origin.x);
    const double bottom = std::max(mediaBox.origin.y, cropBox.origin.y);
    const double right = std::min(mediaBox.origin.x + mediaBox.size.width, cropBox.origin.x + cropBox.size.width);
    const double top = std::min(mediaBox.origin.y + mediaBox.size.height, cropBox.origin.y + cropBox.size.height);
    // Boxes that only touch share no area to show either.
    if (!(right > left) || !(top > bottom)) return mediaBox;
    return {{left, bottom}, {right - left, top - bottom}};
}

int PDFPageBox::quarterTurn(int angle) {
    int remainder = angle % 360;
    if (remainder < 0) remainder += 360;
    return static_cast<int>(std::round(remainder / 90.0)) * 90 % 360;
}

platform::Size PDFPageBox::displayedSize() const {
    if (rotation % 180 != 0) return {box.size.height, box.size.width};
    return box.size;
}

} // namespace pictavo
