#include "platform/write/JPEGWriter.h"

#include "platform/metadata/IPTCRecords.h"
#include "platform/vips/VipsImages.h"

#include <vips/vips.h>

namespace platform {

Outcome<Bytes> JPEGWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const {
    // Baseline JPEG has no lossless mode: without a quality it writes its best.
    const int quality = percentQuality(lossyQuality, 100);
    // libvips writes the IPTC it is given as the APP13 segment's whole payload.
    CarriedMetadata carried = metadata;
    if (carried.iptc) carried.iptc = photoshopSegmentWithIPTC(*carried.iptc);
    return VipsImages::save(images, PackingRules{.eightBit = true, .keepAlpha = false}, carried, true,
                            [&](VipsImage* image, void** buffer, std::size_t* length) {
                                return vips_jpegsave_buffer(image, buffer, length, "Q", quality, nullptr);
                            });
}

} // namespace platform
