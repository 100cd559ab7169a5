#pragma once
#include "platform/colour/ColourSpace.h"

#include <string>

namespace platform {

// A point of the CIE 1931 xy chromaticity diagram.
struct Chromaticity {
    double x = 0;
    double y = 0;
};

struct Chromaticities {
    Chromaticity white;
    Chromaticity red;
    Chromaticity green;
    Chromaticity blue;
};

// How coded values become light. The curves of video standards are given by their inverses
// (coded from light), so each is named rather than approximated by a power.
enum class TransferCurve {
    sRGB,
    power,    // light = coded ^ exponent
    bt709,    // BT.709, BT.601 and BT.2020 cameras
    smpte240,
    pq,       // SMPTE ST 2084, with its reference white (203 cd/m²) at 1 and brighter light clipped
    hlg,      // ARIB STD-B67 on a 1000 cd/m² display, reference white (203 cd/m²) at 1
};

struct Transfer {
    TransferCurve curve = TransferCurve::sRGB;
    double exponent = 1;
};

// A colour space given by tags rather than by an ICC profile: primaries, white point and
// transfer, as a HEIF file's nclx box or a PNG file's cHRM and gAMA chunks give them.
struct ColourDescription {
    Chromaticities chromaticities;
    Transfer transfer;
    // The profile's description, as it is shown for the picture's colour space.
    std::string name;
};

// sRGB's and BT.709's primaries with the D65 white point.
Chromaticities sRGBChromaticities();

// The description as an ICC profile: RGB, or for grey pixels grey with the description's
// transfer. Null when the chromaticities cannot make one (a primary on the white
// point, three in a line, a white of no light), so that the pixels are read as untagged.
ColourSpaceRef describedColourSpace(const ColourDescription& description, bool colour = true);

} // namespace platform
