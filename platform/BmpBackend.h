#pragma once
#include "platform/DibDecoder.h"
#include "platform/ImageBackend.h"

#include <memory>

namespace platform {

// Windows bitmaps: 1, 4, 8, 16, 24 and 32 bits per pixel, uncoded, with bit fields or
// run-length coded,
// with the resolution and embedded profile of the newer headers.
class BmpBackend final : public ImageBackend {
public:
    static std::shared_ptr<const BmpBackend> open(SharedBytes bytes);

    std::string typeIdentifier() const override;
    std::int64_t count() const override { return 1; }
    std::optional<PropertyMap> propertiesAt(std::int64_t index) const override;
    ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget) const override;

private:
    BmpBackend() = default;
    ByteView dib() const;

    SharedBytes bytes_;
    DibHeader header_;
    std::size_t pixelOffset_ = 0;
};

} // namespace platform
