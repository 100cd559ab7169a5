#pragma once
#include "platform/write/ImageWriterBackend.h"

#include <functional>

typedef struct _VipsImage VipsImage;

namespace platform {

// JPEG 2000 (JP2 boxes) through libvips and openjpeg: the irreversible wavelet, coded until
// the picture reaches a target PSNR; alpha is composited away. libvips writes only an
// enumerated colour box, so the image's own ICC profile is put into the header box
// afterwards (colour specification method 2).
//
// A quality means what it means for JPEG: the target is the fidelity our JPEG keeps of this
// very picture at that quality, a little more, so that a smooth picture is written finer than
// a busy one as JPEG would write it, and the file comes out about as large as the JPEG. Past
// quality 90, where JPEG's tables shrink towards no loss at all and its files grow several
// times over, the target climbs evenly instead. Without a quality the target is fixed: the lowest at which ordinary photographs
// cannot be told from the pixels given (the reversible wavelet would make files ten times
// larger). ImageEngine/Encoding/README.md has the measurements behind the numbers.
class JPEG2000Writer final : public ImageWriterBackend {
public:
    bool writesSeveralImages() const override { return false; }
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                         std::optional<double> lossyQuality) const override;
    // The same at one target of the codec's own, in dB (libvips' `Q` for this format).
    Outcome<Bytes> writeAtTarget(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                                 int decibels) const;

    // The JP2 file with every colour box of its header replaced by one that holds `icc`;
    // nothing when the boxes do not add up.
    static std::optional<Bytes> withProfile(const Bytes& jp2, const Bytes& icc);

private:
    static constexpr int visuallyLosslessDecibels = 46;
    static constexpr int jpegTopQuality = 90;
    static constexpr double decibelsAboveJPEG = 1;
    static constexpr double decibelsPerQualityAboveJPEGTop = 0.5;
    static constexpr double lowestDecibels = 15;
    static constexpr double highestDecibels = 60;

    // The target for a quality of 1...100, measured on the picture libvips is about to save.
    static std::optional<int> decibelsFor(VipsImage* image, int quality);
    Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                         const std::function<std::optional<int>(VipsImage*)>& target) const;
};

} // namespace platform
