#pragma once
#include "platform/read/DIBDecoder.h"
#include "platform/read/ImageBackend.h"

#include <memory>

namespace platform {

// Windows bitmaps: 1, 4, 8, 16, 24 and 32 bits per pixel, uncoded, with bit fields or
// run-length coded,
// with the resolution and embedded profile of the newer headers.
class BMPBackend final : public ImageBackend {
public:
    static std::shared_ptr<const BMPBackend> open(SharedBytes bytes);

    std::string typeIdentifier() const override;
    std::int64_t count() const override { return 1; }
    std::optional<PropertyMap> propertiesAt(std::int64_t index) const override;
    ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget) const override;

private:
    BMPBackend() = default;
    ByteView dib() const;

    SharedBytes bytes_;
    DIBHeader header_;
    std::size_t pixelOffset_ = 0;
};

} // namespace platform
