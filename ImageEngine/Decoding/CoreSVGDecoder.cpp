#include "ImageEngine/Decoding/CoreSVGDecoder.h"

#include "ImageEngine/Decoding/CoreSVGSource.h"
#include "ImageEngine/Decoding/SVGComplexity.h"
#include "ImageEngine/Decoding/SVGFile.h"
#include "ImageEngine/Decoding/SourceFile.h"
#include "ImageEngine/Decoding/VectorDecode.h"
#include "ImageEngine/Model/ConversionError.h"
#include "platform/files/FilePath.h"

namespace pictavo {

const std::unordered_set<platform::ContentType>& CoreSVGDecoder::readableTypes() const {
    static const std::unordered_set<platform::ContentType> types{platform::ContentType::svg()};
    return types;
}

ImageProperties CoreSVGDecoder::properties(const std::filesystem::path& url) const {
    return svgProperties(url, svgIntrinsicSize(url));
}

DecodedImage CoreSVGDecoder::decode(const std::filesystem::path& url) const {
    platform::Bytes bytes = readSourceFile(url);
    refuseGzippedSVG(bytes);
    if (SVGComplexity::needsWebKit(bytes)) {
        if (!fallback_)
            throw ConversionError::unsupportedInput(
                "This SVG uses filters, masks, web fonts or animation, which this app can't draw.");
        // The fallback reads the file again: one copy is held at a time.
        platform::Bytes().swap(bytes);
        return fallback_->decode(url);
    }
    const auto size = svgIntrinsicSize(url, bytes);
    auto properties = svgProperties(url, size);
    return DecodedImage::vector(std::make_shared<const CoreSVGSource>(url, size), std::move(properties));
}

DecodedImage CoreSVGDecoder::decodeFor(const std::filesystem::path& url, const DecodeRequest& request) const {
    return decodedVectorFor(*this, url, request);
}

std::uint64_t CoreSVGDecoder::readingBytes(const std::filesystem::path& url) const {
    return svgReadingBytes(sourceLength(url));
}

} // namespace pictavo
