#pragma once
#include "ImageEngine/Encoding/ImageEncoder.h"

#include <string>

namespace pictavo {

// Writes every WebP the engine makes, lossless without a quality and lossy with one: the
// image's own 8-bit RGB, RGBA or RGBX rows go to the WebP shim as they are, with its profile
// and the carried XMP, holding the carried EXIF and GPS fields, set to the output's
// orientation and size. It takes nothing else: the conversion draws every other image first.
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
    EncoderIntake intake() const override { return EncoderIntake::rgb8; }
    // libwebp copies the picture into its own ARGB, and a lossy file's YUV planes and tokens
    // cover the whole picture too; a lossless file's hash chains and backward references take
    // some thirty bytes a pixel more (measured: ImageEngine/Running/README.md).
    std::uint64_t workingBytes(std::int64_t width, std::int64_t height, const QualityMode& quality) const override {
        return pixelsOf(width, height) * (quality.kind() == QualityMode::Kind::lossless ? 36 : 6);
    }
    // Throws encodeFailed for an image it does not take.
    platform::Bytes encode(const platform::ImageRef& image, const EncodeOptions& options) const override;

private:
    OutputFormat format_;
};

} // namespace pictavo
