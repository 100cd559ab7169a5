#pragma once
#include "platform/ImageWriterBackend.h"

namespace platform {

// PNG through libvips: grey or RGB, with or without alpha, 8 or 16 bits, with the image's
// profile (iCCP), the carried EXIF (eXIf), XMP and resolution (pHYs).
class PngWriter final : public ImageWriterBackend {
public:
    std::string typeIdentifier() const override { return "public.png"; }
    bool writesSeveralImages() const override { return false; }
    std::optional<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const override;

    // One image as PNG with the given metadata, with or without its profile: also the
    // payload of icon entries, which carry no profile of their own.
    static std::optional<Bytes> encode(const ImageRef& image, const CarriedMetadata& metadata, bool embedProfile);
};

} // namespace platform
