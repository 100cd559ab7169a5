#pragma once
#include "ImageEngine/Encoding/ImageEncoder.h"

#include <string>

namespace pictavo {

// Writes every WebP the engine makes, lossless without a quality and lossy with one: the
// image goes to the WebP shim as straight RGBA or RGBX rows (drawn only when they are not
// already 8-bit RGB), with its profile and the carried XMP, holding the carried EXIF and GPS
// fields, set to the output's orientation and size.
class WebPEncoder final : public ImageEncoder {
public:
    WebPEncoder();

    // The linked libwebp encoder's version, read once.
    static const std::string& libraryVersion();

    OutputFormat format() const override { return format_; }
    bool supportsQuality() const override { return true; }
    bool writesLosslesslyWithoutAQuality() const override { return true; }
    bool writesSingleChannelGrey() const override { return true; }
    bool carriesColourSpace() const override { return true; }
    bool writesTheSameFileAtEveryEffort() const override { return false; }
    QualityRange qualityRange() const override { return {1, 100}; }
    platform::Bytes encode(const platform::ImageRef& image, const EncodeOptions& options) const override;
    // Lets the image go once the pixels libwebp reads are in a surface of their own.
    platform::Bytes encodeReleasing(platform::ImageRef image, const EncodeOptions& options) const override;

private:
    OutputFormat format_;
};

} // namespace pictavo
