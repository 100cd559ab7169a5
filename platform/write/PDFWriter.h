#pragma once
#include "platform/write/ImageWriterBackend.h"

namespace platform {

// PDF with one page per image, each page exactly the image's pixel size in points: an image
// XObject at 8 or 16 bits in the image's own ICC-based space, with a soft mask for alpha,
// Flate-compressed. The bytes depend only on the images, so equal input gives an equal file.
class PDFWriter final : public ImageWriterBackend {
public:
    bool writesSeveralImages() const override { return true; }
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const override;
};

} // namespace platform
