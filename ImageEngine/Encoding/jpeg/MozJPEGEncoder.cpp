#include "ImageEngine/Encoding/jpeg/MozJPEGEncoder.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Encoding/ShimCause.h"
#include "ImageEngine/Encoding/ShimStop.h"
#include "ImageEngine/Encoding/SideLimit.h"
#include "ImageEngine/Encoding/jpeg/JFIFDensity.h"
#include "ImageEngine/Encoding/jpeg/JPEGMetadataSplice.h"
#include "ImageEngine/Stages/ColourStage.h"
#include "platform/base/Cancellation.h"
#include "shims/pctv_mozjpeg.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace pictavo {
namespace {

constexpr std::int64_t defaultQuality = 90;

// What the library reads the rows as; the image is one the encoder takes as it stands.
pctv_mozjpeg_layout layoutOf(const platform::Image& image) {
    if (image.colourSpace()->model() == platform::ColourModel::monochrome) return PCTV_MOZJPEG_LAYOUT_GREY;
    return image.componentsPerPixel() == 3 ? PCTV_MOZJPEG_LAYOUT_RGB : PCTV_MOZJPEG_LAYOUT_RGBX;
}

} // namespace

MozJPEGEncoder::MozJPEGEncoder() : format_(OutputFormat::jpeg()) {}

const std::string& MozJPEGEncoder::libraryVersion() {
    static const std::string version = pctv_mozjpeg_version();
    return version;
}

std::uint64_t MozJPEGEncoder::workingBytes(std::int64_t width, std::int64_t height, const QualityMode& quality) const {
    // A file-size search may try any quality, the highest among them.
    const std::int64_t highest = quality.kind() == QualityMode::Kind::quality ? quality.payload()
                                 : quality.kind() == QualityMode::Kind::lossless ? defaultQuality
                                                                                : 100;
    const bool fullChroma = highest >= 90;
    return pixelsOf(width, height) * (fullChroma ? 7 : 4);
}

platform::Bytes MozJPEGEncoder::encode(const platform::ImageRef& image, const EncodeOptions& options) const {
    const auto failed = [this] { return ConversionError::encodeFailed(format_); };
    if (!image || image->width() > std::numeric_limits<std::int32_t>::max() ||
        image->height() > std::numeric_limits<std::int32_t>::max())
        throw failed();
    refuseSidesBeyondFormat(format_, *image);
    if (!ColourStage::isTakenAsItIs(intake(), *image))
        throw failed().withCause("the pixels are not opaque 8-bit grey or RGB");

    const std::int64_t quality = std::clamp<std::int64_t>(options.quality.value_or(defaultQuality), 1, 100);
    pctv_mozjpeg_options shimOptions;
    pctv_mozjpeg_default_options(static_cast<std::int32_t>(quality), &shimOptions);
    // Kept metadata keeps the source's resolution; without it the library's 1:1 says none.
    const std::optional<JFIFDensity> density =
        options.preserved ? JFIFDensity::of(options.preserved->dictionary) : std::nullopt;
    if (density) {
        shimOptions.density_unit = static_cast<std::int32_t>(density->unit);
        shimOptions.x_density = density->across;
        shimOptions.y_density = density->down;
    }
    std::stop_token stop = platform::currentJobStopToken();
    shimOptions.stop_asked = shimStopAsked;
    shimOptions.stop_context = &stop;
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    char message[256] = {};
    const platform::Bytes& icc = image->colourSpace()->iccData();
    int status = pctv_mozjpeg_encode(image->data(), image->bytesPerRow(), static_cast<std::int32_t>(image->width()),
                                     static_cast<std::int32_t>(image->height()), layoutOf(*image), &shimOptions,
                                     icc.empty() ? nullptr : icc.data(), icc.size(), &out, &length, message,
                                     sizeof message);
    if (status != 0 || out == nullptr) {
        platform::throwIfCancelled(stop);
        throw failed().withCause(shimCause("libjpeg", message, sizeof message));
    }
    std::unique_ptr<std::uint8_t, decltype(&pctv_mozjpeg_free)> owned(out, pctv_mozjpeg_free);
    platform::Bytes jpeg(out, out + length);
    if (!options.preserved) return jpeg;

    // The platform's reader keeps EXIF, IPTC, the comment and Photoshop's resources beside the XMP rather than
    // inside it, so all travel.
    const auto carried = [&](const char* key) -> std::optional<platform::Bytes> {
        if (const auto* block = platform::propertyOf<platform::Bytes>(options.preserved->dictionary, key))
            return *block;
        return std::nullopt;
    };
    std::optional<platform::Bytes> exif = carried(platform::keys::exif);
    if (exif && density) exif = density->agreeingExif(std::move(*exif));
    auto spliced = JPEGMetadataSplice::inserting(jpeg, exif, options.preserved->metadata,
                                                 static_cast<int>(options.orientation.value_or(1)),
                                                 carried(platform::keys::iptc), carried(platform::keys::comment),
                                                 carried(platform::keys::photoshop));
    if (!spliced) throw failed().withCause(spliced.cause());
    return std::move(*spliced);
}

} // namespace pictavo
