#pragma once
#include "platform/write/ImageWriterBackend.h"
#include "platform/pixels/PackedPixels.h"

namespace platform {

// PNG through libvips: grey or RGB, with or without alpha, 8 or 16 bits, with the image's
// profile (iCCP), the carried EXIF (one eXIf before the pixel data), XMP (iTXt) and
// resolution (pHYs).
class PNGWriter final : public ImageWriterBackend {
public:
    bool writesSeveralImages() const override { return false; }
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const override;

    // One image as PNG packed by the rules, with the given metadata, with or without its
    // profile: also the payload of icon entries, which are RGBA and carry no profile.
    static std::optional<Bytes> encode(const ImageRef& image, const PackingRules& rules, const CarriedMetadata& metadata,
                                       bool embedProfile);
};

} // namespace platform
