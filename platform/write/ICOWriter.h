#pragma once
#include "platform/write/ImageWriterBackend.h"

namespace platform {

// Windows icon: an ICONDIR with one entry per image (sides up to 256), each entry an 8-bit
// RGBA PNG, which keeps alpha and every 8-bit pixel exactly at every size. ICO carries no profile or
// metadata; the engine converts to sRGB first.
class ICOWriter final : public ImageWriterBackend {
public:
    bool writesSeveralImages() const override { return true; }
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const override;
};

} // namespace platform
