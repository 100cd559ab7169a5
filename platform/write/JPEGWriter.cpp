#include "platform/write/JPEGWriter.h"

#include "platform/vips/VipsImages.h"

#include <vips/vips.h>

namespace platform {

Outcome<Bytes> JPEGWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               [[maybe_unused]] std::optional<double> lossyQuality) const {
    auto image = VipsImages::prepare(images, PackingRules{.eightBit = true, .keepAlpha = false}, metadata, true);
    if (!image) return std::nullopt;
    void* buffer = nullptr;
    std::size_t length = 0;
    const int status = vips_jpegsave_buffer(image.get(), &buffer, &length, "Q", percentQuality(lossyQuality, 75), nullptr);
    return VipsImages::takeBuffer(status, buffer, length);
}

} // namespace platform
