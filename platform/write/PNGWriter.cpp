#include "platform/write/PNGWriter.h"

#include "platform/vips/VipsImages.h"
#include "platform/write/PNGMetadataChunks.h"
#include "platform/write/PNGResolution.h"

#include <vips/vips.h>

namespace platform {

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
