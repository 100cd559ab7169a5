#pragma once
#include "platform/read/ImageBackend.h"
#include "platform/types/TGAHeader.h"

#include <memory>

namespace platform {

// Truevision TGA files, read here (libvips reads them only through ImageMagick, which stays
// blocked): colour-mapped with 15, 16, 24 or 32-bit entries, true colour of 15, 16, 24 or
// 32 bits and grey of 8 bits (16 with alpha), plain or run-length coded, from any of the four
// corners the origin bits name. Alpha is kept when the header gives it bits or the colour has
// 32, unless the TGA 2.0 extension area, when there is one, calls it meaningless.
class TGABackend final : public ImageBackend {
public:
    static std::shared_ptr<const TGABackend> open(SharedBytes bytes);

    std::string typeIdentifier() const override;
    std::int64_t count() const override { return 1; }
    std::optional<PropertyMap> propertiesAt(std::int64_t index) const override;
    ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget) const override;

private:
    TGABackend() = default;
    int outputComponents() const;

    SharedBytes bytes_;
    TGAHeader header_;
    bool alpha_ = false;
    bool premultiplied_ = false;
};

} // namespace platform
