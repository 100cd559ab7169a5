#pragma once
#include "platform/base/ByteView.h"

#include <string>

namespace platform {

// The families the image reader has a back end for, told apart by their first bytes
// and never by the file's name: a PNG named .jpg is still a PNG. TGA, which has no
// signature, is told by a header whose every field is plausible, after every other family.
enum class SniffedFormat {
    jpeg, png, gif, webp, tiff, heif, jpeg2000, jpegXL, pnm, radiance, openEXR, bmp, ico, icns, tga, unknown
};

struct SniffResult {
    SniffedFormat format = SniffedFormat::unknown;
    // The type identifier the format is reported as; empty when unknown.
    std::string typeIdentifier;
};

SniffResult sniffImageFormat(ByteView bytes);

} // namespace platform
