#pragma once
#include "platform/write/ImageWriterBackend.h"

namespace platform {

// GIF through libvips (cgif, quantised by libimagequant), one frame per image (all of one
// size); alpha below half becomes the transparent index.
class GIFWriter final : public ImageWriterBackend {
public:
    bool writesSeveralImages() const override { return true; }
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const override;
};

} // namespace platform
