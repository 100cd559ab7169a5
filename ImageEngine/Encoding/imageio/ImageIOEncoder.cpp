#include "ImageEngine/Encoding/imageio/ImageIOEncoder.h"
#include "ImageEngine/Encoding/imageio/ImageIOFormats.h"

#include "ImageEngine/Model/ConversionError.h"
#include "platform/write/ImageWriter.h"

#include <algorithm>
#include <string>
#include <unordered_set>

namespace pictavo {
namespace {

const std::unordered_set<std::string>& colourSpaceIdentifiers() {
    static const std::unordered_set<std::string> identifiers = {
        "public.jpeg", "public.png", "public.tiff", "public.heic", "public.avif",
        "com.adobe.photoshop-image", "com.apple.atx", "com.ilm.openexr-image"};
    return identifiers;
}

} // namespace

bool ImageIOEncoder::supportsQuality() const {
    return format_.isSameAsSource() || OutputFormat::lossyIdentifiers().count(format_.id()) != 0;
}

bool ImageIOEncoder::writesLosslesslyWithoutAQuality() const {
    if (supportsQuality()) return false;
    return ImageIOFormats::compression(format_) == OutputFormat::Compression::lossless;
}

bool ImageIOEncoder::writesSingleChannelGrey() const {
    if (format_.isSameAsSource()) return false;
    static const auto heifStandard = platform::ContentType::withIdentifier("public.heif-standard");
    if (!heifStandard) return false;
    return !format_.utType()->conforms(*heifStandard);
}

bool ImageIOEncoder::carriesColourSpace() const { return colourSpaceIdentifiers().count(format_.id()) != 0; }

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
    if (!bytes || bytes->empty()) throw ConversionError::encodeFailed(format_);
    return std::move(*bytes);
}

} // namespace pictavo
