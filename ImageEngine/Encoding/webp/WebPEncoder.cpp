#include "ImageEngine/Encoding/webp/WebPEncoder.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Encoding/ShimCause.h"
#include "ImageEngine/Encoding/ShimStop.h"
#include "ImageEngine/Encoding/SideLimit.h"
#include "ImageEngine/Running/SpareProcessors.h"
#include "ImageEngine/Stages/ColourStage.h"
#include "platform/base/Cancellation.h"
#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/ExifOrientation.h"
#include "platform/metadata/ExifToXMP.h"
#include "platform/metadata/IPTCToXMP.h"
#include "platform/metadata/XMPOrientation.h"
#include "shims/pctv_webp.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace pictavo {
namespace {

// The carried EXIF block with the output's orientation, whole, for the file's "EXIF" chunk;
// nothing when there is none or it is too damaged to take the orientation.
std::optional<platform::Bytes> exifFor(const EncodeOptions& options) {
    if (!options.preserved) return std::nullopt;
    const auto* exif = platform::propertyOf<platform::Bytes>(options.preserved->dictionary, platform::keys::exif);
    if (!exif) return std::nullopt;
    const auto turned = platform::exifWithOrientation(*exif, static_cast<int>(options.orientation.value_or(1)));
    if (!turned) return std::nullopt;
    return platform::tiffStructuredExif(turned->data(), turned->size());
}

// The carried packet with the output's orientation and size; left out when it cannot take
// them, rather than carry fields that no longer describe the file. The EXIF and GPS fields
// the packet does not hold are added to it too, for readers that read a WebP's XMP only;
// when they cannot be, the packet goes as it came.
std::optional<platform::XMPPacket> packetFor(const EncodeOptions& options, const platform::Image& image) {
    if (!options.preserved) return std::nullopt;
    const platform::XMPPacket* packet = options.preserved->metadata.get();
    std::optional<platform::XMPPacket> withExif;
    if (const auto* exif = platform::propertyOf<platform::Bytes>(options.preserved->dictionary, platform::keys::exif))
        withExif = platform::xmpWithExif(packet, *exif);
    if (withExif) packet = &*withExif;
    // A WebP holds no IPTC either: its keywords, caption and place travel inside the packet too.
    std::optional<platform::XMPPacket> withIPTC;
    if (const auto* iptc = platform::propertyOf<platform::Bytes>(options.preserved->dictionary, platform::keys::iptc))
        withIPTC = platform::xmpWithIPTC(packet, *iptc);
    if (withIPTC) packet = &*withIPTC;
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
    const auto failed = [this] { return ConversionError::encodeFailed(format_); };
    constexpr std::int64_t largest = std::numeric_limits<std::int32_t>::max();
    if (!image || image->width() > largest || image->height() > largest) throw failed();
    refuseSidesBeyondFormat(format_, *image);
    if (!ColourStage::isTakenAsItIs(intake(), *image))
        throw failed().withCause("the pixels are not 8-bit RGB with straight alpha");
    if (image->bytesPerRow() > static_cast<std::size_t>(largest)) throw failed();
    const bool hasAlpha = image->alphaInfo() == platform::AlphaInfo::last;
    const bool packedRGB = image->componentsPerPixel() == 3; // three bytes a pixel, as a decoded photo comes

    const bool final = options.effort == EncodeEffort::final;
    pctv_webp_options shimOptions{};
    shimOptions.lossless = options.quality ? 0 : 1;
    shimOptions.quality = options.quality ? static_cast<std::int32_t>(std::clamp<std::int64_t>(*options.quality, 1, 100))
                                          : (final ? 100 : 50);
    shimOptions.method = final ? 4 : 2;
    // libwebp's second thread changes no byte, so it is taken whenever a processor is spare.
    const SpareProcessors::Loan helper(1);
    shimOptions.threads = helper.count() > 0 ? 1 : 0;
    shimOptions.packed_rgb = packedRGB ? 1 : 0;
    // Converting the rows in bands costs a copy of the planes, so it is only worth it when
    // other processors take some of the bands.
    if (SpareProcessors::available() > 0) shimOptions.run_bands = runOnSpareProcessors;
    std::stop_token stop = platform::currentJobStopToken();
    shimOptions.stop_asked = shimStopAsked;
    shimOptions.stop_context = &stop;

    const std::optional<platform::XMPPacket> xmp = packetFor(options, *image);
    const std::optional<platform::Bytes> exif = exifFor(options);
    const platform::Bytes icc = image->colourSpace()->iccData();
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    char message[128] = {};
    int status = pctv_webp_encode(
        image->data(), static_cast<std::int32_t>(image->bytesPerRow()), static_cast<std::int32_t>(image->width()),
        static_cast<std::int32_t>(image->height()), hasAlpha, &shimOptions, icc.empty() ? nullptr : icc.data(),
        icc.size(), exif && !exif->empty() ? exif->data() : nullptr, exif ? exif->size() : 0,
        xmp ? reinterpret_cast<const std::uint8_t*>(xmp->text.data()) : nullptr, xmp ? xmp->text.size() : 0,
        &out, &length, message, sizeof message);
    if (status != 0 || out == nullptr) {
        platform::throwIfCancelled(stop);
        throw failed().withCause(shimCause("libwebp", message, sizeof message));
    }
    std::unique_ptr<std::uint8_t, decltype(&pctv_webp_free)> owned(out, pctv_webp_free);
    return platform::Bytes(out, out + length);
}

} // namespace pictavo
