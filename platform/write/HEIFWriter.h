#pragma once
#include "platform/write/ImageWriterBackend.h"

namespace platform {

// HEIC (HEVC) or AVIF (AV1) through libheif: 8-bit RGB or RGBA, 4:2:0 at the quality given
// as libheif's lossy quality, or, without one, the codec's lossless mode at 4:4:4 on the RGB
// samples themselves, the image's profile, the carried EXIF and XMP, and the
// orientation as the file's own rotation and mirror boxes. Several images become several
// top-level images of any size, the first one primary.
class HEIFWriter final : public ImageWriterBackend {
public:
    enum class Codec { hevc, av1 };
    explicit HEIFWriter(Codec codec) : codec_(codec) {}

    bool writesSeveralImages() const override { return true; }
    bool isAvailable() const override;
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const override;

private:
    Codec codec_;
};

} // namespace platform
