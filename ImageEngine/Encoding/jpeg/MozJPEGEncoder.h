#pragma once
#include "ImageEngine/Encoding/ImageEncoder.h"

#include <string>

namespace pictavo {

// Writes every JPEG the engine makes: the image's own 8-bit grey, RGB or RGBX rows go to the
// JPEG shim as they are, with its profile, and, when metadata is kept, the file is given the
// carried EXIF and XMP with the output's orientation without being compressed again. It takes
// nothing else: the conversion draws every other image first, CMYK, Lab and indexed colour
// into sRGB, so a JPEG is always grey or YCbCr, never CMYK.
class MozJPEGEncoder final : public ImageEncoder {
public:
    MozJPEGEncoder();

    // The linked JPEG library's version (libjpeg-turbo), read once.
    static const std::string& libraryVersion();

    OutputFormat format() const override { return format_; }
    bool supportsQuality() const override { return true; }
    bool writesLosslesslyWithoutAQuality() const override { return false; }
    bool writesSingleChannelGrey() const override { return true; }
    bool carriesColourSpace() const override { return true; }
    bool writesTheSameFileAtEveryEffort() const override { return true; }
    QualityRange qualityRange() const override { return {1, 100}; }
    EncoderIntake intake() const override { return EncoderIntake::opaqueGreyOrRGB8; }
    // A progressive, optimised file is coded from the coefficients of the whole picture, two
    // bytes each: three components at full resolution from quality 90 (and without one),
    // and at 4:2:0, half as many, below; the file grows beside them.
    std::uint64_t workingBytes(std::int64_t width, std::int64_t height, const QualityMode& quality) const override;
    // Throws encodeFailed for an image it does not take.
    platform::Bytes encode(const platform::ImageRef& image, const EncodeOptions& options) const override;

private:
    OutputFormat format_;
};

} // namespace pictavo
