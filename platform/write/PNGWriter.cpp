#include "platform/write/PNGWriter.h"

#include "platform/vips/VipsImages.h"
#include "platform/write/PNGMetadataChunks.h"
#include "platform/write/PNGResolution.h"

#include "platform/base/BigEndian.h"

#include <vips/vips.h>

namespace platform {
namespace {

// libpng refuses a profile whose header gives a length other than its own, and libvips then
// writes the picture without it, its colours left to mean sRGB. lcms2 and every other writer
// take such a profile by its bytes, so it is carried here too, with its length told right.
void mendProfileLength(VipsImage* image) {
    const void* data = nullptr;
    std::size_t size = 0;
    if (!vips_image_get_typeof(image, VIPS_META_ICC_NAME) ||
        vips_image_get_blob(image, VIPS_META_ICC_NAME, &data, &size) != 0 || size < 4)
        return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (readBigEndian32(bytes) == size) return;
    Bytes mended;
    appendBigEndian32(mended, static_cast<std::uint32_t>(size));
    mended.insert(mended.end(), bytes + 4, bytes + size);
    vips_image_set_blob_copy(image, VIPS_META_ICC_NAME, mended.data(), mended.size());
}

} // namespace

Outcome<Bytes> PNGWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                                      std::optional<double>) const {
    if (images.size() != 1) return std::nullopt;
    return encode(images.front(), PackingRules{}, metadata, true);
}

std::optional<Bytes> PNGWriter::encode(const ImageRef& image, const PackingRules& rules, const CarriedMetadata& metadata,
                                       bool embedProfile) {
    // libpng writes a given eXIf chunk a second time after the pixel data, and libvips puts XMP
    // into a zTXt chunk meant for Latin-1 text; both are added here instead, as PNG asks.
    CarriedMetadata withoutBlocks = metadata;
    withoutBlocks.exif.reset();
    withoutBlocks.xmp.reset();
    // zlib level 6 with adaptive filtering: the PNG encoder re-compresses afterwards anyway.
    auto written = VipsImages::save({image}, rules, withoutBlocks, embedProfile,
                                    [](VipsImage* prepared, void** buffer, std::size_t* length) {
                                        mendProfileLength(prepared);
                                        return vips_pngsave_buffer(prepared, buffer, length, "compression", 6, "filter",
                                                                   VIPS_FOREIGN_PNG_FILTER_ALL, nullptr);
                                    });
    // libvips writes every resolution in pixels per metre.
    if (written && metadata.resolutionHasNoUnit && metadata.dpiWidth && metadata.dpiHeight)
        if (auto unitless = pngWithResolutionOfNoUnit(*written, *metadata.dpiWidth, *metadata.dpiHeight))
            written = std::move(*unitless);
    if (!written || (!metadata.exif && !metadata.xmp && !metadata.comment && metadata.pngTexts.empty())) return written;
    return pngWithMetadataChunks(*written, metadata);
}

} // namespace platform
