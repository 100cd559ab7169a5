#pragma once
#include "platform/read/ICODirectory.h"
#include "platform/read/ImageBackend.h"

#include <memory>
#include <vector>

namespace platform {

// Windows icons: one rendition per directory entry, each a PNG or a bitmap with its AND mask.
class ICOBackend final : public ImageBackend {
public:
    static std::shared_ptr<const ICOBackend> open(SharedBytes bytes);

    std::string typeIdentifier() const override;
    std::int64_t count() const override { return static_cast<std::int64_t>(entries_.size()); }
    std::optional<PropertyMap> propertiesAt(std::int64_t index) const override;
    ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget) const override;

private:
    ICOBackend() = default;

    SharedBytes bytes_;
    std::vector<ICOEntry> entries_;
};

} // namespace platform
