#pragma once
#include "ImageEngine/Encoding/ImageEncoder.h"

namespace pictavo {

// The general encoder: hands the images to the platform image writer for any format it
// lists. The registry makes one per writable format and replaces the formats the program
// encodes itself. Several images go into one file when the writer's format holds them.
class ImageIOEncoder final : public MultiImageEncoder {
public:
    explicit ImageIOEncoder(OutputFormat format) : format_(std::move(format)) {}

    OutputFormat format() const override { return format_; }
    bool supportsQuality() const override;
    bool writesLosslesslyWithoutAQuality() const override;
    bool writesSingleChannelGrey() const override;
    bool carriesColourSpace() const override;
    bool writesTheSameFileAtEveryEffort() const override { return true; }
    QualityRange qualityRange() const override;
    // The PDF writer's more than the others'.
    std::uint64_t workingBytes(std::int64_t width, std::int64_t height, const QualityMode& quality) const override;

    platform::Bytes encode(const platform::ImageRef& image, const EncodeOptions& options) const override;
    platform::Bytes encode(const std::vector<platform::ImageRef>& images, const EncodeOptions& options) const override;

private:
    OutputFormat format_;
};

} // namespace pictavo
