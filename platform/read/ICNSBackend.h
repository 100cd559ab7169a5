#pragma once
#include "platform/read/ICNSElements.h"
#include "platform/read/ImageBackend.h"

#include <memory>
#include <vector>

namespace platform {

// Apple icon files: one rendition per image element, each a PNG or JPEG 2000 payload, or
// the legacy run-length-coded RGB and ARGB elements with their 8-bit masks.
class ICNSBackend final : public ImageBackend {
public:
    static std::shared_ptr<const ICNSBackend> open(SharedBytes bytes);

    std::string typeIdentifier() const override;
    std::int64_t count() const override { return static_cast<std::int64_t>(elements_.size()); }
    std::optional<PropertyMap> propertiesAt(std::int64_t index) const override;
    ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget) const override;

private:
    ICNSBackend() = default;
    std::shared_ptr<const ImageBackend> embedded(const ICNSElement& element) const;
    ImageReadResult decodeLegacy(const ICNSElement& element, const PixelBudget& budget) const;

    SharedBytes bytes_;
    std::vector<ICNSElement> elements_;
};

} // namespace platform
