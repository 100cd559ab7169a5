#pragma once
#include "platform/write/ImageWriterBackend.h"

namespace platform {

// Baseline JPEG through libvips, grey or RGB, with the image's profile, EXIF and XMP.
class JPEGWriter final : public ImageWriterBackend {
public:
    bool holdsIPTC() const override { return true; }
    bool writesSeveralImages() const override { return false; }
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const override;
};

} // namespace platform
