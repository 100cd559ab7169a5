#pragma once
#include "ImageEngine/Decoding/ImageDecoder.h"
#include "platform/vector/PDFDocument.h"

namespace pictavo {

// PDF documents, read through poppler: each page is a vector source drawn at the size a
// conversion asks for, one point to a pixel for its declared size. Nothing is drawn while
// inspecting or decoding.
class PDFDecoder final : public ImageDecoder {
public:
    const std::unordered_set<platform::ContentType>& readableTypes() const override;
    // Page 1's.
    ImageProperties properties(const std::filesystem::path& url) const override;
    DecodedImage decode(const std::filesystem::path& url) const override;
    DecodedImage decode(const std::filesystem::path& url, std::int64_t page) const override;
    DecodedImage decodeFor(const std::filesystem::path& url, const DecodeRequest& request) const override;

    // The document, or decodeFailed when it cannot be read or has no page, or the
    // password-protected refusal when it is locked.
    static platform::PDFDocument open(const std::filesystem::path& url);
    // The page, or pageOutOfRange.
    static platform::PDFPage page(const platform::PDFDocument& document, std::int64_t number);
};

} // namespace pictavo
