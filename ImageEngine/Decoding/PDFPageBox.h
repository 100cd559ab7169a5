#pragma once
#include "platform/base/Geometry.h"
#include "platform/vector/PDFDocument.h"

namespace pictavo {

// The part of a PDF page that is shown and how it is turned, which together give the size
// the page declares, one point to a pixel.
struct PDFPageBox {
    platform::Rect box;
    // Clockwise: 0, 90, 180 or 270.
    int rotation = 0;

    static PDFPageBox of(const platform::PDFPage& page);

    // The crop box cut to the media box; the media box when the crop box has no area or
    // the two do not overlap.
    static platform::Rect shownBox(platform::Rect mediaBox, platform::Rect cropBox);
    // The nearest quarter turn, halves upwards: 45 is 90, 44 is 0, -90 is 270.
    static int quarterTurn(int angle);

    // The box's sides, swapped for a quarter turn either way.
    platform::Size displayedSize() const;
};

} // namespace pictavo
