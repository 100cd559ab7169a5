#pragma once
#include "ImageEngine/Decoding/ImageDecoder.h"
#include "ImageEngine/Decoding/WebKitSVGSource.h"

namespace pictavo {

// SVG documents that only a browser draws, reached as the fallback of the system drawer's
// decoder. Neither reading a document's properties nor decoding it starts the browser: its
// source renders in the sealed browser when pixels are asked for.
class WebKitSVGDecoder final : public ImageDecoder {
public:
    using ImageDecoder::decode;

    WebKitSVGDecoder() = default;
    // Sources that render through a test's own gate and host.
    explicit WebKitSVGDecoder(WebKitSVGSource::Browser browser) : browser_(browser) {}

    const std::unordered_set<platform::ContentType>& readableTypes() const override;
    ImageProperties properties(const std::filesystem::path& url) const override;
    DecodedImage decode(const std::filesystem::path& url) const override;
    DecodedImage decodeFor(const std::filesystem::path& url, const DecodeRequest& request) const override;
    // The document parsed whole by the system drawer, which reads its declared size.
    std::uint64_t readingBytes(const std::filesystem::path& url) const override;

private:
    WebKitSVGSource::Browser browser_;
};

} // namespace pictavo
