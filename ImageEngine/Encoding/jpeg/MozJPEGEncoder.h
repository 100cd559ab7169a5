#pragma once
#include "ImageEngine/Encoding/ImageEncoder.h"

#include <string>

namespace pictavo {

// Writes every JPEG the engine makes: the image is drawn into grey or RGBX rows in its own
// colour space (sRGB for any model but grey and RGB), compressed by the JPEG shim with the
// surface's profile, and, when metadata is kept, given the carried EXIF and XMP with the
// output's orientation without being compressed again.
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
    platform::Bytes encode(const platform::ImageRef& image, const EncodeOptions& options) const override;

private:
    OutputFormat format_;
};

} // namespace pictavo
