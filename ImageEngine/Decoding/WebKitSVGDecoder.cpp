#include "ImageEngine/Decoding/WebKitSVGDecoder.h"

#include "ImageEngine/Decoding/SVGFile.h"
#include "ImageEngine/Decoding/SourceFile.h"
#include "ImageEngine/Decoding/VectorDecode.h"

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

DecodedImage WebKitSVGDecoder::decodeFor(const std::filesystem::path& url, const DecodeRequest& request) const {
    return decodedVectorFor(*this, url, request);
}

std::uint64_t WebKitSVGDecoder::readingBytes(const std::filesystem::path& url) const {
    return svgReadingBytes(sourceLength(url));
}

} // namespace pictavo
