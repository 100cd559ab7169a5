#include "platform/write/GIFWriter.h"

#include "platform/vips/VipsImages.h"

#include <vips/vips.h>

namespace platform {

Outcome<Bytes> GIFWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               [[maybe_unused]] std::optional<double> lossyQuality) const {
    auto image = VipsImages::prepare(images, PackingRules{.eightBit = true, .colourOnly = true}, metadata, false);
    if (!image) return std::nullopt;
    void* buffer = nullptr;
    std::size_t length = 0;
    const int status = vips_gifsave_buffer(image.get(), &buffer, &length, nullptr);
    return VipsImages::takeBuffer(status, buffer, length);
}

} // namespace platform
