#include "ImageEngine/Encoding/EncoderRegistry.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/FormatOrdering.h"
#include "ImageEngine/Encoding/icns/ICNSEncoder.h"
#include "ImageEngine/Encoding/imageio/ImageIOEncoder.h"
#include "ImageEngine/Encoding/imageio/ImageIOFormats.h"
#include "ImageEngine/Encoding/png/LibDeflatePNGEncoder.h"
#include "ImageEngine/Encoding/jpeg/MozJPEGEncoder.h"
#include "ImageEngine/Encoding/webp/WebPEncoder.h"

namespace pictavo {

EncoderRegistry::EncoderRegistry(const std::vector<ImageEncoderRef>& encoders) {
    for (const auto& encoder : encoders) encoders_[encoder->format().id()] = encoder;
}

EncoderRegistry EncoderRegistry::standard() {
    std::vector<ImageEncoderRef> encoders;
    for (const auto& format : ImageIOFormats::writeable()) encoders.push_back(std::make_shared<ImageIOEncoder>(format));
    // The program's own encoders come last, one line each, so that they win over the platform writer.
    encoders.push_back(std::make_shared<ICNSEncoder>());
    encoders.push_back(std::make_shared<MozJPEGEncoder>());
    encoders.push_back(std::make_shared<LibDeflatePNGEncoder>());
    encoders.push_back(std::make_shared<WebPEncoder>());
    return EncoderRegistry(encoders);
}

const ImageEncoder& EncoderRegistry::encoder(const OutputFormat& format) const {
    auto found = encoders_.find(format.id());
    if (found == encoders_.end()) throw ConversionError::noEncoder(format);
    return *found->second;
}

bool EncoderRegistry::hasEncoder(const OutputFormat& format) const { return encoders_.count(format.id()) != 0; }

std::vector<OutputFormat> EncoderRegistry::formats() const {
    std::vector<OutputFormat> result;
    result.reserve(encoders_.size());
    for (const auto& [key, encoder] : encoders_) result.push_back(encoder->format());
    return result;
}

std::vector<OutputFormat> EncoderRegistry::supportedFormats() const { return sortedByDisplayName(formats()); }

} // namespace pictavo
