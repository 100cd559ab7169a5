#pragma once
#include "platform/write/ImageWriterBackend.h"

namespace platform {

// Windows bitmap with a BITMAPINFOHEADER: 24-bit BGR rows bottom-up, or 8-bit with a grey
// palette for a one-channel grey image; pixels per metre from the resolution. BMP holds no
// alpha, so alpha is composited away (the engine flattens on its matte before).
class BMPWriter final : public ImageWriterBackend {
public:
    bool writesSeveralImages() const override { return false; }
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const override;
};

} // namespace platform
