#include "ImageEngine/Encoding/imageio/ImageIOEncoder.h"
#include "ImageEngine/Encoding/imageio/ImageIOFormats.h"

#include "ImageEngine/Model/ConversionError.h"
#include "platform/types/FormatFacts.h"
#include "platform/write/ImageWriter.h"

#include <algorithm>

namespace pictavo {

std::uint64_t ImageIOEncoder::workingBytes(std::int64_t width, std::int64_t height, const QualityMode& quality) const {
    // The PDF writer draws the picture again and compresses it beside the file: measured at 10
    // to 12 bytes a pixel for pages of 10,000 and 14,000 pixels square.
    if (format_ == OutputFormat::pdf()) return pixelsOf(width, height) * 13;
    return ImageEncoder::workingBytes(width, height, quality);
}

bool ImageIOEncoder::supportsQuality() const {
    return format_.isSameAsSource() || OutputFormat::lossyIdentifiers().count(format_.id()) != 0;
}

bool ImageIOEncoder::writesLosslesslyWithoutAQuality() const {
    if (supportsQuality()) return false;
    return ImageIOFormats::compression(format_) == OutputFormat::Compression::lossless;
}

bool ImageIOEncoder::writesSingleChannelGrey() const {
    if (format_.isSameAsSource()) return false;
    return !format_.utType()->conforms(platform::ContentType::heifStandard());
}

bool ImageIOEncoder::carriesColourSpace() const {
    const platform::FormatFacts* row = platform::formatFacts(format_.id());
    return row && row->colourProfile;
}

QualityRange ImageIOEncoder::qualityRange() const {
    return format_ == OutputFormat::avif() ? QualityRange{1, 99} : QualityRange{1, 100};
}

platform::Bytes ImageIOEncoder::encode(const platform::ImageRef& image, const EncodeOptions& options) const {
    return encode(std::vector<platform::ImageRef>{image}, options);
}

platform::Bytes ImageIOEncoder::encode(const std::vector<platform::ImageRef>& images,
                                       const EncodeOptions& options) const {
    if (images.empty()) throw ConversionError::encodeFailed(format_);
    platform::WriterProperties properties;
    if (options.preserved) {
        properties.properties = &options.preserved->dictionary;
        // Kept metadata means the XMP too: the writer rewrites its orientation like the EXIF's.
        properties.xmp = options.preserved->metadata.get();
    }
    if (supportsQuality() && options.quality) {
        const std::int64_t quality = std::min(std::max<std::int64_t>(*options.quality, 1), qualityRange().highest);
        properties.lossyQuality = static_cast<double>(quality) / 100.0;
    }
    properties.orientation = options.orientation.value_or(1);
    // The same-as-source marker names no writer format, so it fails here like any other.
    auto bytes = platform::ImageWriter::write(format_.id(), images, properties);
    if (!bytes || bytes->empty()) throw ConversionError::encodeFailed(format_).withCause(bytes.cause());
    return std::move(*bytes);
}

} // namespace pictavo
