#include "ImageEngine/Decoding/WebKitSVGDecoder.h"

#include "ImageEngine/Decoding/SVGFile.h"

namespace pictavo {

const std::unordered_set<platform::ContentType>& WebKitSVGDecoder::readableTypes() const {
    static const std::unordered_set<platform::ContentType> types{platform::ContentType::svg()};
    return types;
}

ImageProperties WebKitSVGDecoder::properties(const std::filesystem::path& url) const {
    return svgProperties(url, svgIntrinsicSize(url));
}

DecodedImage WebKitSVGDecoder::decode(const std::filesystem::path& url) const {
    const auto size = svgIntrinsicSize(url);
    auto properties = svgProperties(url, size);
    return DecodedImage::vector(std::make_shared<const WebKitSVGSource>(url, size, browser_), std::move(properties));
}

} // namespace pictavo
