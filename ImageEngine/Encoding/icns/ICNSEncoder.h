#pragma once
#include "ImageEngine/Encoding/ImageEncoder.h"

namespace pictavo {

// Writes the Apple icon file itself: every square picture becomes a PNG element under the
// element types of its side. A later picture of the same side replaces an earlier one.
class ICNSEncoder final : public MultiImageEncoder {
public:
    ICNSEncoder();

    OutputFormat format() const override { return format_; }
    bool supportsQuality() const override { return false; }
    bool writesLosslesslyWithoutAQuality() const override { return true; }
    bool writesSingleChannelGrey() const override { return true; }
    bool carriesColourSpace() const override { return true; }
    bool writesTheSameFileAtEveryEffort() const override { return true; }
    QualityRange qualityRange() const override { return {}; }

    // The options are not used: icon elements carry no metadata and stand upright.
    platform::Bytes encode(const platform::ImageRef& image, const EncodeOptions& options) const override;
    platform::Bytes encode(const std::vector<platform::ImageRef>& images, const EncodeOptions& options) const override;

private:
    OutputFormat format_;
};

} // namespace pictavo
