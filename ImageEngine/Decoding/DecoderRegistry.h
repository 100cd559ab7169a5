#pragma once
#include "ImageEngine/Decoding/ImageDecoder.h"

#include <filesystem>
#include <unordered_set>
#include <vector>

namespace pictavo {

// The decoders in their order of preference; the first that accepts a file's type reads it.
class DecoderRegistry {
public:
    explicit DecoderRegistry(std::vector<ImageDecoderRef> decoders) : decoders_(std::move(decoders)) {}

    // The registry the whole program uses: the decoders this build has, in the order vector
    // documents first and the raster reader last. Each call builds a new value.
    static DecoderRegistry standard();

    const std::vector<ImageDecoderRef>& decoders() const { return decoders_; }

    // The decoder for the file's content type, judged by its extension (a file that has
    // vanished is still matched by its name); throws ConversionError::unsupportedInput when
    // no decoder accepts it.
    ImageDecoderRef decoder(const std::filesystem::path& url) const;

    // Every type any member reads; the open panel offers these.
    std::unordered_set<platform::ContentType> readableTypes() const;

private:
    std::vector<ImageDecoderRef> decoders_;
};

} // namespace pictavo
