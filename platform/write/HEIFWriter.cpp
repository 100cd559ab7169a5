#include "platform/write/HEIFWriter.h"

#include "platform/pixels/LibraryThreads.h"
#include "platform/pixels/PackedPixels.h"

#include <algorithm>
#include <cstring>
#include <libheif/heif.h>
#include <memory>

namespace platform {
namespace {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct EncoderRelease {
    void operator()(heif_encoder* e) const { heif_encoder_release(e); }
};
struct ImageRelease {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct HandleRelease {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct OptionsFree {
    void operator()(heif_encoding_options* o) const { heif_encoding_options_free(o); }
};

heif_compression_format formatOf(HEIFWriter::Codec codec) {
    return codec == HEIFWriter::Codec::hevc ? heif_compression_HEVC : heif_compression_AV1;
}

std::unique_ptr<heif_image, ImageRelease> heifImage(const PackedPixels& pixels) {
    heif_image* raw = nullptr;
    const auto chroma = pixels.hasAlpha() ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    const int width = static_cast<int>(pixels.width);
    const int height = static_cast<int>(pixels.height);
    if (heif_image_create(width, height, heif_colorspace_RGB, chroma, &raw).code != heif_error_Ok) return nullptr;
    std::unique_ptr<heif_image, ImageRelease> image(raw);
    if (heif_image_add_plane(raw, heif_channel_interleaved, width, height, 8).code != heif_error_Ok) return nullptr;
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(raw, heif_channel_interleaved, &stride);
    if (!plane) return nullptr;
    const std::size_t rowBytes = pixels.rowBytes();
    for (std::int64_t y = 0; y < pixels.height; ++y)
        std::memcpy(plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride),
                    pixels.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    const Bytes& icc = pixels.colourSpace->iccData();
    if (!icc.empty() && heif_image_set_raw_color_profile(raw, "prof", icc.data(), icc.size()).code != heif_error_Ok)
        return nullptr;
    return image;
}

heif_error appendTo(heif_context*, const void* data, size_t size, void* userdata) {
    auto* out = static_cast<Bytes*>(userdata);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

// libaom codes a picture one way on one thread and another way on any number of threads
// (the same bytes for two as for eight), so a file never depends on how busy the machine
// was: it always has at least two. Past four its encoder gains nothing on one image. x265
// keeps its own pool of every processor: it writes the same bytes whatever the pool, and a
// pool fixed when a conversion starts would leave the last large files of a batch on one
// thread each while the others' processors fall idle.
constexpr std::int64_t fewestAV1Threads = 2;
constexpr std::int64_t mostAV1Threads = 4;

void setAV1Threads(heif_encoder* encoder, const LibraryThreads::Lease& lease) {
    if (const auto threads = lease.threads())
        heif_encoder_set_parameter_integer(encoder, "threads",
                                           static_cast<int>(std::clamp(*threads, fewestAV1Threads, mostAV1Threads)));
}

Outcome<Bytes> refusal(const heif_error& error) {
    return Outcome<Bytes>::failure(std::string("libheif: ") + (error.message ? error.message : "no message"));
}

} // namespace

bool HEIFWriter::isAvailable() const { return heif_have_encoder_for_format(formatOf(codec_)) != 0; }

HEIFWriter::Setting HEIFWriter::visuallyLossless(Codec codec) {
    return codec == Codec::hevc ? Setting{.quality = visuallyLosslessHEVCQuality, .fullChroma = true}
                                : Setting{.quality = visuallyLosslessAV1Quality, .fullChroma = true};
}

Outcome<Bytes> HEIFWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                                 std::optional<double> lossyQuality) const {
    if (!lossyQuality) return write(images, metadata, visuallyLossless(codec_));
    return write(images, metadata, Setting{.quality = percentQuality(lossyQuality, 100), .fullChroma = false});
}

Outcome<Bytes> HEIFWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                                 Setting setting) const {
    std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context) return std::nullopt;
    heif_encoder* rawEncoder = nullptr;
    if (const auto error = heif_context_get_encoder_for_format(context.get(), formatOf(codec_), &rawEncoder);
        error.code != heif_error_Ok)
        return refusal(error);
    std::unique_ptr<heif_encoder, EncoderRelease> encoder(rawEncoder);
    if (const auto error = heif_encoder_set_lossy_quality(rawEncoder, std::clamp(setting.quality, 0, 100));
        error.code != heif_error_Ok)
        return refusal(error);
    heif_encoder_set_parameter_string(rawEncoder, "chroma", setting.fullChroma ? "444" : "420");
    const LibraryThreads::Lease lease(codec_ == Codec::av1 ? mostAV1Threads - 1 : 0);
    if (codec_ == Codec::av1) setAV1Threads(rawEncoder, lease);

    std::unique_ptr<heif_encoding_options, OptionsFree> options(heif_encoding_options_alloc());
    if (!options) return std::nullopt;
    options->save_alpha_channel = 1;
    options->image_orientation = static_cast<heif_orientation>(metadata.orientation);

    for (std::size_t index = 0; index < images.size(); ++index) {
        if (!images[index]) return std::nullopt;
        auto pixels = packPixels(*images[index], PackingRules{.eightBit = true, .colourOnly = true});
        if (!pixels) return std::nullopt;
        auto image = heifImage(*pixels);
        if (!image) return std::nullopt;
        heif_image_handle* rawHandle = nullptr;
        if (const auto error = heif_context_encode_image(context.get(), image.get(), rawEncoder, options.get(), &rawHandle);
            error.code != heif_error_Ok)
            return refusal(error);
        std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);
        if (index == 0) {
            if (const auto error = heif_context_set_primary_image(context.get(), rawHandle); error.code != heif_error_Ok)
                return refusal(error);
        }
        if (metadata.exif &&
            heif_context_add_exif_metadata(context.get(), rawHandle, metadata.exif->data(),
                                           static_cast<int>(metadata.exif->size())).code != heif_error_Ok)
            return std::nullopt;
        if (metadata.xmp &&
            heif_context_add_XMP_metadata(context.get(), rawHandle, metadata.xmp->text.data(),
                                          static_cast<int>(metadata.xmp->text.size())).code != heif_error_Ok)
            return std::nullopt;
    }

    Bytes out;
    heif_writer writer{1, &appendTo};
    if (const auto error = heif_context_write(context.get(), &writer, &out); error.code != heif_error_Ok)
        return refusal(error);
    if (out.empty()) return std::nullopt;
    return out;
}

} // namespace platform
