#include "platform/write/TIFFWriter.h"

#include "platform/metadata/TIFFExif.h"
#include "platform/vips/VipsImages.h"

#include <vips/vips.h>

namespace platform {

Outcome<Bytes> TIFFWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               [[maybe_unused]] std::optional<double> lossyQuality) const {
    auto tiff = VipsImages::save(images, PackingRules{}, metadata, true,
                                 [](VipsImage* image, void** buffer, std::size_t* length) {
                                     return vips_tiffsave_buffer(image, buffer, length, "compression",
                                                                 VIPS_FOREIGN_TIFF_COMPRESSION_DEFLATE, "predictor",
                                                                 VIPS_FOREIGN_TIFF_PREDICTOR_HORIZONTAL, nullptr);
                                 });
    // libvips writes no EXIF into TIFF; the carried block goes in afterwards, or the file
    // goes without it rather than not at all.
    if (tiff && metadata.exif) {
        if (auto withExif = tiffWithExif(*tiff, *metadata.exif)) return withExif;
    }
    return tiff;
}

} // namespace platform
