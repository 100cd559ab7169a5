#include "platform/write/JPEGWriter.h"

#include "platform/vips/VipsImages.h"

#include <vips/vips.h>

namespace platform {

Outcome<Bytes> JPEGWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               [[maybe_unused]] std::optional<double> lossyQuality) const {
    const int quality = percentQuality(lossyQuality, 75);
    return VipsImages::save(images, PackingRules{.eightBit = true, .keepAlpha = false}, metadata, true,
                            [&](VipsImage* image, void** buffer, std::size_t* length) {
                                return vips_jpegsave_buffer(image, buffer, length, "Q", quality, nullptr);
                            });
}

} // namespace platform
