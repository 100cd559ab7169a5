#include "ImageEngine/Decoding/CoreSVGDecoder.h"

#include "ImageEngine/Decoding/CoreSVGSource.h"
#include "ImageEngine/Decoding/SVGComplexity.h"
#include "ImageEngine/Decoding/SVGFile.h"
#include "ImageEngine/Decoding/SourceFile.h"
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
    const platform::Bytes bytes = readSourceFile(url);
    refuseGzippedSVG(bytes);
    if (SVGComplexity::needsWebKit(bytes)) {
        if (!fallback_)
            throw ConversionError::unsupportedInput(
                "This SVG uses filters, masks, web fonts or animation, which this app can't draw.");
        return fallback_->decode(url);
    }
    const auto size = svgIntrinsicSize(url);
    auto properties = svgProperties(url, size);
    return DecodedImage::vector(std::make_shared<const CoreSVGSource>(url, size), std::move(properties));
}

} // namespace pictavo
