#include "ImageEngine/Encoding/icns/ICNSEncoder.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Encoding/icns/ICNSContainer.h"
#include "ImageEngine/Encoding/SideLimit.h"
#include "ImageEngine/Encoding/imageio/ImageIOEncoder.h"

#include <map>

namespace pictavo {
namespace {

platform::Bytes pngElement(const platform::ImageRef& image) {
    static const ImageIOEncoder png(OutputFormat::png());
    EncodeOptions upright(EncodeEffort::final, MetadataPolicy::strip);
    upright.orientation = 1;
    try {
        return png.encode(image, upright);
    } catch (const ConversionError& error) {
        throw ConversionError::encodeFailed(OutputFormat::icns()).withCause(error.cause());
    }
}

} // namespace

ICNSEncoder::ICNSEncoder() : format_(OutputFormat::icns()) {}

platform::Bytes ICNSEncoder::encode(const platform::ImageRef& image, const EncodeOptions& options) const {
    return encode(std::vector<platform::ImageRef>{image}, options);
}

platform::Bytes ICNSEncoder::encode(const std::vector<platform::ImageRef>& images, const EncodeOptions&) const {
    std::map<std::int64_t, platform::Bytes> pngsBySide;
    for (const auto& image : images) {
        if (!image || image->width() != image->height()) throw ConversionError::encodeFailed(format_);
        refuseSidesBeyondFormat(format_, *image);
        pngsBySide[image->width()] = pngElement(image);
    }
    auto file = ICNSContainer::write(pngsBySide);
    if (!file) throw ConversionError::encodeFailed(format_);
    return std::move(*file);
}

} // namespace pictavo
