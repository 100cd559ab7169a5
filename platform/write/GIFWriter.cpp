#include "platform/write/GIFWriter.h"

#include "platform/vips/VipsImages.h"

#include <vips/vips.h>

namespace platform {

Outcome<Bytes> GIFWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               [[maybe_unused]] std::optional<double> lossyQuality) const {
    return VipsImages::save(images, PackingRules{.eightBit = true, .colourOnly = true}, metadata, false,
                            [](VipsImage* image, void** buffer, std::size_t* length) {
                                return vips_gifsave_buffer(image, buffer, length, nullptr);
                            });
}

} // namespace platform
