#pragma once
#include "platform/write/ImageWriterBackend.h"

namespace platform {

// HEIC (HEVC) or AVIF (AV1) through libheif: 8-bit RGB or RGBA, 4:2:0 at the quality given
// as libheif's lossy quality, or, without one, the codec's visually lossless setting, the
// image's profile, the carried EXIF and XMP, and the orientation as the file's own rotation
// and mirror boxes. Several images become several top-level images of any size, the first
// one primary.
class HEIFWriter final : public ImageWriterBackend {
public:
    enum class Codec { hevc, av1 };
    // One way to ask the codec: libheif's lossy quality (0...100), with the colour kept at
    // full resolution (4:4:4) or halved both ways (4:2:0).
    struct Setting {
        int quality = 50;
        bool fullChroma = false;
    };

    explicit HEIFWriter(Codec codec) : codec_(codec) {}

    // The setting used without a quality: the lowest at which the output of ordinary
    // photographs cannot be told from the pixels given (about 45 dB PSNR). The codecs'
    // lossless modes would make files ten times larger than the camera's; halved colour
    // alone costs a colourful photograph more than that, so the colour stays whole.
    // ImageEngine/Encoding/README.md has the measurements behind the numbers.
    static Setting visuallyLossless(Codec codec);

    bool writesSeveralImages() const override { return true; }
    bool isAvailable() const override;
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                         std::optional<double> lossyQuality) const override;
    // The same at one setting of the codec's own.
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata, Setting setting) const;

private:
    static constexpr int visuallyLosslessHEVCQuality = 70;
    static constexpr int visuallyLosslessAV1Quality = 90;

    Codec codec_;
};

} // namespace platform
