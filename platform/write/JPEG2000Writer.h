#pragma once
#include "platform/write/ImageWriterBackend.h"

namespace platform {

// JPEG 2000 (JP2 boxes) through libvips and openjpeg: the irreversible wavelet, with the
// quality as the target quality of libvips' scale, or the reversible one without a
// quality; alpha is composited away. libvips writes
// only an enumerated colour box, so the image's own ICC profile is put into the header
// box afterwards (colour specification method 2).
class JPEG2000Writer final : public ImageWriterBackend {
public:
    bool writesSeveralImages() const override { return false; }
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const override;

    // The JP2 file with every colour box of its header replaced by one that holds `icc`;
    // nothing when the boxes do not add up.
    static std::optional<Bytes> withProfile(const Bytes& jp2, const Bytes& icc);
};

} // namespace platform
