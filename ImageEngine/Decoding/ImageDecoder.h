#pragma once
#include "ImageEngine/Decoding/DecodedImage.h"
#include "ImageEngine/Model/ImageProperties.h"
#include "platform/types/ContentType.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <unordered_set>

namespace pictavo {

// Everything the program reads goes through one decoder: it names the content types it
// reads, inspects a file without decoding pixels, and decodes a file or one page of it.
// Decoders hold no mutable state and are used from any thread.
class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;

    virtual const std::unordered_set<platform::ContentType>& readableTypes() const = 0;
    // A readable type, or one that conforms to a readable type (a declared subtype); never
    // a supertype such as the generic image type.
    virtual bool canDecode(const platform::ContentType& type) const;
    // The file's first page, inspected; throws ConversionError.
    virtual ImageProperties properties(const std::filesystem::path& url) const = 0;
    // The first page, decoded; throws ConversionError.
    virtual DecodedImage decode(const std::filesystem::path& url) const = 0;
    // A page (1-based) decoded; decoders without pages decode their one image whatever the page.
    virtual DecodedImage decode(const std::filesystem::path& url, std::int64_t page) const;
};

using ImageDecoderRef = std::shared_ptr<const ImageDecoder>;

} // namespace pictavo
