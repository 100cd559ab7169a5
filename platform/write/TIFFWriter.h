#pragma once
#include "platform/write/ImageWriterBackend.h"

namespace platform {

// TIFF through libvips, one directory per image (all of one size): Deflate with the
// horizontal predictor, so every pixel is kept; unassociated alpha; the image's profile,
// orientation tag, resolution, XMP and IPTC, and the carried EXIF added by exiv2.
class TIFFWriter final : public ImageWriterBackend {
public:
    bool holdsIPTC() const override { return true; }
    bool writesSeveralImages() const override { return true; }
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const override;
};

} // namespace platform
