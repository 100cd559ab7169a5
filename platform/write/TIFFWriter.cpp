#include "platform/write/TIFFWriter.h"

#include "platform/metadata/TIFFExif.h"
#include "platform/metadata/TIFFResolutionUnit.h"
#include "platform/vips/VipsImages.h"

#include <vips/vips.h>

namespace platform {

Outcome<Bytes> TIFFWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               [[maybe_unused]] std::optional<double> lossyQuality) const {
    // libvips writes IPTC into TIFF cut to a quarter of its bytes; it goes in afterwards too.
    CarriedMetadata carried = metadata;
    carried.iptc.reset();
    auto tiff = VipsImages::save(images, PackingRules{}, carried, true,
                                 [](VipsImage* image, void** buffer, std::size_t* length) {
                                     return vips_tiffsave_buffer(image, buffer, length, "compression",
                                                                 VIPS_FOREIGN_TIFF_COMPRESSION_DEFLATE, "predictor",
                                                                 VIPS_FOREIGN_TIFF_PREDICTOR_HORIZONTAL, nullptr);
                                 });
    // libvips writes every resolution in a unit.
    if (tiff && metadata.resolutionHasNoUnit && metadata.dpiWidth && metadata.dpiHeight)
        if (auto unitless = tiffWithResolution(*tiff, *metadata.dpiWidth, *metadata.dpiHeight,
                                               TIFFResolutionUnit::none, TIFFDirectories::every))
            tiff = std::move(*unitless);
    // libvips writes no EXIF into TIFF; the carried blocks go in afterwards, or the file
    // goes without them rather than not at all.
    if (tiff && (metadata.exif || metadata.iptc || metadata.photoshop)) {
        if (auto withMetadata = tiffWithExifAndIPTC(*tiff, metadata.exif, metadata.iptc, metadata.photoshop))
            return withMetadata;
    }
    return tiff;
}

} // namespace platform
