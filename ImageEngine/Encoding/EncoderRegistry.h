#pragma once
#include "ImageEngine/Encoding/ImageEncoder.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace pictavo {

// One encoder per output format, filed under the format's identifier (or the same-as-source
// marker). Immutable once made, so every conversion reads it at once without a lock.
class EncoderRegistry {
public:
    // A later encoder for the same format replaces an earlier one.
    explicit EncoderRegistry(const std::vector<ImageEncoderRef>& encoders);
    // The platform writer for every format it lists, then the program's own encoders,
    // which replace it for their formats. Made afresh on every call.
    static EncoderRegistry standard();

    // Throws ConversionError::noEncoder(format) when none is registered. The reference
    // lives as long as the registry.
    const ImageEncoder& encoder(const OutputFormat& format) const;
    bool hasEncoder(const OutputFormat& format) const;
    // One per encoder, in no defined order: callers that show them sort them.
    std::vector<OutputFormat> formats() const;
    // Sorted by display label for the format menus.
    std::vector<OutputFormat> supportedFormats() const;

private:
    std::unordered_map<std::string, ImageEncoderRef> encoders_;
};

} // namespace pictavo
