#include "platform/read/PNMBackend.h"

#include <vips/vips.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace platform {
namespace {

std::int64_t side(std::uint64_t declared) {
    return static_cast<std::int64_t>(std::min<std::uint64_t>(declared, std::numeric_limits<std::int64_t>::max()));
}

// Samples of 0 to maxval spread over the whole range of their 8 or 16 bits; a sample above
// the maxval, which the file should not hold, becomes the largest.
ImageRef scaledToFullRange(const ImageRef& image, std::uint32_t maxval) {
    const int bits = image->bitsPerComponent();
    if (bits != 8 && bits != 16) return image;
    const std::uint32_t full = bits == 8 ? 255 : 65535;
    if (maxval == full) return image;
    const auto scale = [&](std::uint64_t sample) {
        return std::min<std::uint64_t>(full, (std::min<std::uint64_t>(sample, maxval) * full + maxval / 2) / maxval);
    };
    const std::size_t samplesPerRow = static_cast<std::size_t>(image->width()) * image->componentsPerPixel();
    const std::size_t rowBytes = samplesPerRow * (bits / 8);
    auto pixels = std::make_shared<Bytes>(rowBytes * static_cast<std::size_t>(image->height()));
    for (std::int64_t y = 0; y < image->height(); ++y) {
        std::uint8_t* out = pixels->data() + static_cast<std::size_t>(y) * rowBytes;
        if (bits == 8) {
            const std::uint8_t* in = image->row(y);
            for (std::size_t i = 0; i < samplesPerRow; ++i) out[i] = static_cast<std::uint8_t>(scale(in[i]));
        } else {
            const std::uint8_t* in = image->row(y);
            for (std::size_t i = 0; i < samplesPerRow; ++i) {
                std::uint16_t sample = 0;
                std::memcpy(&sample, in + i * 2, 2);
                sample = static_cast<std::uint16_t>(scale(sample));
                std::memcpy(out + i * 2, &sample, 2);
            }
        }
    }
    return Image::make(image->width(), image->height(), bits, image->componentsPerPixel(), image->alphaInfo(),
                       image->colourSpace(), std::move(pixels), rowBytes);
}

} // namespace

std::shared_ptr<const PNMBackend> PNMBackend::open(SharedBytes bytes, const SniffResult& sniffed) {
    if (!bytes) return nullptr;
    const auto header = readPNMHeader(ByteView(bytes->data(), bytes->size()));
    if (!header) return nullptr;
    auto backend = std::shared_ptr<PNMBackend>(new PNMBackend());
    backend->header_ = *header;
    backend->typeIdentifier_ = sniffed.typeIdentifier;
    // Sides past libvips' limit are never handed to it: it would only warn and read another size.
    if (header->width > VIPS_MAX_COORD || header->height > VIPS_MAX_COORD) return backend;
    if (auto vips = VipsBackend::open(std::move(bytes), sniffed, std::nullopt)) {
        const auto properties = vips->propertiesAt(0);
        if (properties && integerProperty(*properties, keys::pixelWidth) == side(header->width) &&
            integerProperty(*properties, keys::pixelHeight) == side(header->height))
            backend->vips_ = std::move(vips);
    }
    return backend;
}

std::optional<PropertyMap> PNMBackend::propertiesAt(std::int64_t index) const {
    if (index != 0) return std::nullopt;
    if (vips_) return vips_->propertiesAt(0);
    return basicProperties(side(header_.width), side(header_.height), false, header_.depth());
}

ImageReadResult PNMBackend::imageAt(std::int64_t index, const PixelBudget& budget) const {
    if (index != 0) return {};
    if (!budget.allows(side(header_.width), side(header_.height), header_.decodedBytesPerPixel())) return {nullptr, true};
    if (!vips_) return {};
    auto result = vips_->imageAt(0, budget);
    if (result.image && !header_.isBitmap() && !header_.isFloat())
        result.image = scaledToFullRange(result.image, header_.maxval);
    return result;
}

} // namespace platform
