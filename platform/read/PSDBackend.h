#pragma once
#include "platform/read/ImageBackend.h"
#include "platform/read/PSDFile.h"

#include <memory>

namespace platform {

// Photoshop files (PSD and PSB): the merged image the file carries, never its layers, in
// bitmap, greyscale, duotone (as its grey), indexed, RGB, CMYK and Lab modes at 1, 8, 16 and
// 32 bits per channel, raw or PackBits-coded; the ICC profile, EXIF, XMP, IPTC and resolution
// from the image resources, and transparency from the merged image's first extra channel
// when the layer section says it holds it. CMYK keeps its own profile, or is brought into sRGB
// through a standard press profile when it has none; Lab is brought into sRGB.
class PSDBackend final : public ImageBackend {
public:
    static std::shared_ptr<const PSDBackend> open(SharedBytes bytes);

    std::string typeIdentifier() const override;
    std::int64_t count() const override { return 1; }
    std::optional<PropertyMap> propertiesAt(std::int64_t index) const override;
    std::optional<XMPPacket> xmpAt(std::int64_t index) const override;
    ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget) const override;

private:
    PSDBackend() = default;

    bool alpha() const;
    // The file's profile when the pixels stay in its space, else null.
    ColourSpaceRef keptProfile() const { return profile_; }
    // The colour components of the decoded pixels: 1 grey, 3 RGB, 4 CMYK.
    int outputColourComponents() const;
    int outputBits() const { return psd_.depth <= 8 ? 8 : psd_.depth; }

    SharedBytes bytes_;
    PSDFile psd_;
    ColourSpaceRef profile_;
};

} // namespace platform
