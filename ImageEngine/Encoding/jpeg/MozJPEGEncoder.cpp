#include "ImageEngine/Encoding/jpeg/MozJPEGEncoder.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Encoding/ShimCause.h"
#include "ImageEngine/Encoding/SideLimit.h"
#include "ImageEngine/Encoding/jpeg/JPEGMetadataSplice.h"
#include "platform/pixels/BitmapContext.h"
#include "shims/pctv_mozjpeg.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace pictavo {
namespace {

constexpr std::int64_t defaultQuality = 90;

struct Surface {
    platform::ImageRef pixels;
    pctv_mozjpeg_layout layout;
};

// 8-bit RGB (with or without a skipped fourth byte) in an RGB space, or 8-bit grey in a grey
// one, is already what the library reads: a redraw would copy it unchanged.
std::optional<pctv_mozjpeg_layout> layoutAsStored(const platform::Image& image) {
    const auto& space = image.colourSpace();
    if (!space || image.bitsPerComponent() != 8) return std::nullopt;
    const int components = image.componentsPerPixel();
    const auto alpha = image.alphaInfo();
    if (space->model() == platform::ColourModel::rgb) {
        if (alpha == platform::AlphaInfo::none && components == 3) return PCTV_MOZJPEG_LAYOUT_RGB;
        if (alpha == platform::AlphaInfo::noneSkipLast && components == 4) return PCTV_MOZJPEG_LAYOUT_RGBX;
    }
    if (space->model() == platform::ColourModel::monochrome && alpha == platform::AlphaInfo::none && components == 1)
        return PCTV_MOZJPEG_LAYOUT_GREY;
    return std::nullopt;
}

// Grey stays grey and RGB stays in its own space; every other model (CMYK, Lab, indexed,
// untagged) is drawn into sRGB. Transparency is composited on black, as a drawing without
// alpha does; the pipeline has flattened it on the matte before this.
std::optional<Surface> surfaceFor(const platform::ImageRef& image) {
    if (const auto layout = layoutAsStored(*image)) return Surface{image, *layout};
    const auto& space = image->colourSpace();
    const auto model = space ? space->model() : platform::ColourModel::unknown;
    const bool grey = model == platform::ColourModel::monochrome;
    platform::ColourSpaceRef target = grey || model == platform::ColourModel::rgb ? space : platform::ColourSpace::sRGB();
    auto context = platform::BitmapContext::create(image->width(), image->height(), target,
                                                   grey ? platform::BitmapLayout::greyNone
                                                        : platform::BitmapLayout::noneSkipLast);
    if (!context) return std::nullopt;
    platform::Rect whole{{0, 0}, {static_cast<double>(image->width()), static_cast<double>(image->height())}};
    if (!context->draw(image, whole)) return std::nullopt;
    platform::ImageRef pixels = context->makeImage();
    if (!pixels) return std::nullopt;
    return Surface{std::move(pixels), grey ? PCTV_MOZJPEG_LAYOUT_GREY : PCTV_MOZJPEG_LAYOUT_RGBX};
}

} // namespace

MozJPEGEncoder::MozJPEGEncoder() : format_(OutputFormat::jpeg()) {}

const std::string& MozJPEGEncoder::libraryVersion() {
    static const std::string version = pctv_mozjpeg_version();
    return version;
}

platform::Bytes MozJPEGEncoder::encode(const platform::ImageRef& image, const EncodeOptions& options) const {
    const auto failed = [this] { return ConversionError::encodeFailed(format_); };
    if (!image || image->width() > std::numeric_limits<std::int32_t>::max() ||
        image->height() > std::numeric_limits<std::int32_t>::max())
        throw failed();
    refuseSidesBeyondFormat(format_, *image);
    std::optional<Surface> surface = surfaceFor(image);
    if (!surface) throw failed();

    const std::int64_t quality = std::clamp<std::int64_t>(options.quality.value_or(defaultQuality), 1, 100);
    pctv_mozjpeg_options shimOptions;
    pctv_mozjpeg_default_options(static_cast<std::int32_t>(quality), &shimOptions);
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    char message[256] = {};
    const platform::Bytes& icc = surface->pixels->colourSpace()->iccData();
    int status = pctv_mozjpeg_encode(surface->pixels->data(), surface->pixels->bytesPerRow(),
                                     static_cast<std::int32_t>(image->width()),
                                     static_cast<std::int32_t>(image->height()), surface->layout, &shimOptions,
                                     icc.empty() ? nullptr : icc.data(), icc.size(), &out, &length, message,
                                     sizeof message);
    if (status != 0 || out == nullptr) throw failed().withCause(shimCause("libjpeg", message, sizeof message));
    std::unique_ptr<std::uint8_t, decltype(&pctv_mozjpeg_free)> owned(out, pctv_mozjpeg_free);
    platform::Bytes jpeg(out, out + length);
    if (!options.preserved) return jpeg;

    // The platform's reader keeps EXIF beside the XMP rather than inside it, so both travel.
    std::optional<platform::Bytes> exif;
    auto found = options.preserved->dictionary.find(platform::keys::exif);
    if (found != options.preserved->dictionary.end())
        if (const auto* block = found->second.get<platform::Bytes>()) exif = *block;
    auto spliced = JPEGMetadataSplice::inserting(jpeg, exif, options.preserved->metadata,
                                                 static_cast<int>(options.orientation.value_or(1)));
    if (!spliced) throw failed().withCause(spliced.cause());
    return std::move(*spliced);
}

} // namespace pictavo
