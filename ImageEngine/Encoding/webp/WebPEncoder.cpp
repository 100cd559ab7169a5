#include "ImageEngine/Encoding/webp/WebPEncoder.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Encoding/ShimCause.h"
#include "ImageEngine/Encoding/SideLimit.h"
#include "ImageEngine/Running/SpareProcessors.h"
#include "ImageEngine/Stages/Redraw.h"
#include "platform/metadata/ExifToXMP.h"
#include "platform/metadata/XMPOrientation.h"
#include "shims/pctv_webp.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace pictavo {
namespace {

using platform::AlphaInfo;

// Rows as the shim reads them: the image's own buffer on the direct path, else a drawing.
struct Surface {
    platform::ImageRef image;
    std::shared_ptr<const platform::Bytes> straightened; // un-premultiplied copy, when drawn with alpha
    bool hasAlpha = false;
    platform::Bytes icc;
    bool packedRGB = false; // three bytes a pixel, as a decoded photo comes

    const std::uint8_t* pixels() const { return straightened ? straightened->data() : image->data(); }
};

bool takesDirectPath(const platform::Image& image) {
    const auto& space = image.colourSpace();
    if (image.bitsPerComponent() != 8 || !space || space->model() != platform::ColourModel::rgb) return false;
    if (image.componentsPerPixel() == 3) return image.alphaInfo() == AlphaInfo::none;
    return image.componentsPerPixel() == 4 &&
           (image.alphaInfo() == AlphaInfo::last || image.alphaInfo() == AlphaInfo::noneSkipLast);
}

// Straight colour from premultiplied RGBA, rounded to nearest; a clear pixel keeps black.
platform::Bytes unpremultiplied(const platform::Image& drawn) {
    platform::Bytes pixels(drawn.data(), drawn.data() + drawn.bytesPerRow() * static_cast<std::size_t>(drawn.height()));
    for (std::int64_t y = 0; y < drawn.height(); ++y) {
        std::uint8_t* pixel = pixels.data() + static_cast<std::size_t>(y) * drawn.bytesPerRow();
        for (std::int64_t x = 0; x < drawn.width(); ++x, pixel += 4) {
            const unsigned alpha = pixel[3];
            if (alpha == 255) continue;
            for (int c = 0; c < 3; ++c)
                pixel[c] = alpha == 0 ? 0 : static_cast<std::uint8_t>(std::min(255u, (pixel[c] * 255u + alpha / 2) / alpha));
        }
    }
    return pixels;
}

std::optional<Surface> surfaceFor(const platform::ImageRef& image) {
    if (takesDirectPath(*image))
        return Surface{image, nullptr, image->alphaInfo() == AlphaInfo::last, image->colourSpace()->iccData(),
                       image->componentsPerPixel() == 3};
    const auto& own = image->colourSpace();
    platform::ColourSpaceRef space =
        own && own->model() == platform::ColourModel::rgb ? own : platform::ColourSpace::sRGB();
    const bool opaque = !image->hasAlphaChannel();
    platform::ImageRef drawn = redrawn(image, image->width(), image->height(), space,
                                       opaque ? platform::BitmapLayout::noneSkipLast
                                              : platform::BitmapLayout::premultipliedLast);
    if (!drawn) return std::nullopt;
    Surface surface{drawn, nullptr, !opaque, space->iccData()};
    if (!opaque) surface.straightened = std::make_shared<const platform::Bytes>(unpremultiplied(*drawn));
    return surface;
}

// The carried packet with the output's orientation and size; left out when it cannot take
// them, rather than carry fields that no longer describe the file. The platform's reader
// keeps EXIF beside the XMP, and a WebP gets no EXIF chunk, so the EXIF and GPS fields
// travel inside the packet; when they cannot, the packet goes as it came.
std::optional<platform::XMPPacket> packetFor(const EncodeOptions& options, const platform::Image& image) {
    if (!options.preserved) return std::nullopt;
    const platform::XMPPacket* packet = options.preserved->metadata.get();
    std::optional<platform::XMPPacket> withExif;
    if (const auto* exif = platform::propertyOf<platform::Bytes>(options.preserved->dictionary, platform::keys::exif))
        withExif = platform::xmpWithExif(packet, *exif);
    if (withExif) packet = &*withExif;
    if (!packet) return std::nullopt;
    auto turned = platform::xmpWithOrientation(*packet, static_cast<int>(options.orientation.value_or(1)));
    if (!turned) return std::nullopt;
    return platform::xmpWithPixelDimensions(*turned, image.width(), image.height());
}

// The shim's bands of rows, on the calling thread and whatever processors are spare.
void runOnSpareProcessors(void*, void (*band)(void*, std::int32_t), void* bandContext, std::int32_t count) {
    std::vector<std::function<void()>> tasks;
    tasks.reserve(static_cast<std::size_t>(count));
    for (std::int32_t index = 0; index < count; ++index) tasks.emplace_back([=] { band(bandContext, index); });
    SpareProcessors::runSideBySide(tasks);
}

} // namespace

WebPEncoder::WebPEncoder() : format_(OutputFormat::webp()) {}

const std::string& WebPEncoder::libraryVersion() {
    static const std::string version = pctv_webp_version();
    return version;
}

platform::Bytes WebPEncoder::encode(const platform::ImageRef& image, const EncodeOptions& options) const {
    return encodeReleasing(image, options);
}

platform::Bytes WebPEncoder::encodeReleasing(platform::ImageRef image, const EncodeOptions& options) const {
    const auto failed = [this] { return ConversionError::encodeFailed(format_); };
    constexpr std::int64_t largest = std::numeric_limits<std::int32_t>::max();
    if (!image || image->width() > largest || image->height() > largest) throw failed();
    refuseSidesBeyondFormat(format_, *image);
    std::optional<Surface> surface = surfaceFor(image);
    if (!surface || surface->image->bytesPerRow() > static_cast<std::size_t>(largest)) throw failed();

    const bool final = options.effort == EncodeEffort::final;
    pctv_webp_options shimOptions{};
    shimOptions.lossless = options.quality ? 0 : 1;
    shimOptions.quality = options.quality ? static_cast<std::int32_t>(std::clamp<std::int64_t>(*options.quality, 1, 100))
                                          : (final ? 100 : 50);
    shimOptions.method = final ? 4 : 2;
    // libwebp's second thread changes no byte, so it is taken whenever a processor is spare.
    const SpareProcessors::Loan helper(1);
    shimOptions.threads = helper.count() > 0 ? 1 : 0;
    shimOptions.packed_rgb = surface->packedRGB ? 1 : 0;
    // Converting the rows in bands costs a copy of the planes, so it is only worth it when
    // other processors take some of the bands.
    if (SpareProcessors::available() > 0) shimOptions.run_bands = runOnSpareProcessors;

    std::optional<platform::XMPPacket> xmp = packetFor(options, *image);
    // The surface holds the pixels now (a drawing of them, or the image itself), so a drawn
    // image goes before libwebp makes planes of its own.
    const std::int64_t width = image->width(), height = image->height();
    image.reset();
    const platform::Bytes& icc = surface->icc;
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    char message[128] = {};
    int status = pctv_webp_encode(
        surface->pixels(), static_cast<std::int32_t>(surface->image->bytesPerRow()),
        static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), surface->hasAlpha,
        &shimOptions, icc.empty() ? nullptr : icc.data(), icc.size(),
        xmp ? reinterpret_cast<const std::uint8_t*>(xmp->text.data()) : nullptr, xmp ? xmp->text.size() : 0, &out,
        &length, message, sizeof message);
    if (status != 0 || out == nullptr) throw failed().withCause(shimCause("libwebp", message, sizeof message));
    std::unique_ptr<std::uint8_t, decltype(&pctv_webp_free)> owned(out, pctv_webp_free);
    return platform::Bytes(out, out + length);
}

} // namespace pictavo
