#pragma once
#include "ImageEngine/Decoding/ImageDecoder.h"

namespace pictavo {

// SVG documents drawn by the system drawer. A document the screening finds it cannot draw
// faithfully (filters, masks, web fonts, animation and the like) goes to the fallback, the
// browser-drawn decoder, or fails when there is none.
class CoreSVGDecoder final : public ImageDecoder {
public:
    using ImageDecoder::decode;

    explicit CoreSVGDecoder(ImageDecoderRef fallback = nullptr) : fallback_(std::move(fallback)) {}

    const std::unordered_set<platform::ContentType>& readableTypes() const override;
    // Not screened: a document that needs the browser still has its properties.
    ImageProperties properties(const std::filesystem::path& url) const override;
    DecodedImage decode(const std::filesystem::path& url) const override;
    DecodedImage decodeFor(const std::filesystem::path& url, const DecodeRequest& request) const override;
    // The document parsed whole, as its properties are read from it.
    std::uint64_t readingBytes(const std::filesystem::path& url) const override;

private:
    ImageDecoderRef fallback_;
};

} // namespace pictavo
