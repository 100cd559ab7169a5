#pragma once
#include "platform/read/ImageBackend.h"
#include "platform/read/PNMHeader.h"
#include "platform/read/VipsBackend.h"

#include <memory>

namespace platform {

// Netpbm files: the header is read here, so that an invalid size or maxval is a damaged file
// and a size past the budget is refused by that size, whatever libvips' loader makes of it;
// the pixels are libvips', scaled to the full range of their depth when the maxval is not.
class PNMBackend final : public ImageBackend {
public:
    // Null when the header is not a valid one.
    static std::shared_ptr<const PNMBackend> open(SharedBytes bytes, const SniffResult& sniffed);

    std::string typeIdentifier() const override { return typeIdentifier_; }
    std::int64_t count() const override { return 1; }
    std::optional<PropertyMap> propertiesAt(std::int64_t index) const override;
    ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget) const override;

private:
    PNMBackend() = default;

    PNMHeader header_;
    std::string typeIdentifier_;
    // Null when libvips cannot read the header (sides beyond its own limit) or reads another
    // size from it.
    std::shared_ptr<const VipsBackend> vips_;
};

} // namespace platform
