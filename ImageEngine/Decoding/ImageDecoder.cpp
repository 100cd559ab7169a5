#include "ImageEngine/Decoding/ImageDecoder.h"

#include "ImageEngine/Decoding/SourceFile.h"

namespace pictavo {

bool ImageDecoder::canDecode(const platform::ContentType& type) const {
    const auto& readable = readableTypes();
    if (readable.count(type)) return true;
    for (const auto& member : readable)
        if (type.conforms(member)) return true;
    return false;
}

DecodedImage ImageDecoder::decode(const std::filesystem::path& url, std::int64_t) const { return decode(url); }

DecodedImage ImageDecoder::decodeFor(const std::filesystem::path& url, const DecodeRequest& request) const {
    return decode(url, request.page);
}

std::uint64_t ImageDecoder::readingBytes(const std::filesystem::path& url) const { return sourceLength(url); }

} // namespace pictavo
