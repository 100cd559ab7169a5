#pragma once
#include "platform/base/ByteSource.h"
#include "platform/read/ImageBackend.h"
#include "platform/read/StoredSides.h"

#include <memory>

namespace platform {

// Camera RAW files through libraw: the developed pixels as the sensor stored them (libraw
// turns nothing), with the camera's turn reported as the orientation.
class RawBackend final : public ImageBackend {
public:
    // Null when libraw does not recognise the bytes as a camera RAW file.
    static std::shared_ptr<const RawBackend> open(SharedBytes bytes);
    // The sides the raw picture is developed at (never those of a thumbnail before it), read
    // from the header where libraw finds it without reading the file whole; none when libraw
    // does not recognise the file.
    static std::optional<StoredSides> storedSides(const ByteSource& source);

    std::string typeIdentifier() const override { return typeIdentifier_; }
    std::int64_t count() const override { return 1; }
    std::optional<PropertyMap> propertiesAt(std::int64_t index) const override;
    ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget) const override;

private:
    RawBackend() = default;

    SharedBytes bytes_;
    std::string typeIdentifier_;
    std::int64_t width_ = 0;
    std::int64_t height_ = 0;
    std::int64_t orientation_ = 1;
    // What libraw holds beside the developed pixels while it makes them.
    std::uint64_t heldBesidePixels_ = 0;
};

} // namespace platform
