#pragma once
#include "ImageEngine/Model/EncodeEffort.h"
#include "ImageEngine/Model/MetadataPolicy.h"
#include "ImageEngine/Model/PreservedProperties.h"

#include <cstdint>
#include <optional>

namespace pictavo {

// What an encoder or source optimiser is handed with each image.
struct EncodeOptions {
    // On the encoder's own scale; absent for its default, or when it is lossless.
    std::optional<std::int64_t> quality;
    // The EXIF orientation (1 to 8) the output declares. Encoders write it into every
    // orientation field they carry (EXIF, TIFF, XMP), so that metadata copied from the
    // source never turns the image a second time.
    std::optional<std::uint32_t> orientation;
    // Source metadata the output may carry. Its colour profile is never embedded: the
    // working image's own colour space is.
    std::optional<PreservedProperties> preserved;
    EncodeEffort effort;
    MetadataPolicy metadata;

    EncodeOptions(EncodeEffort effort, MetadataPolicy metadata) : effort(effort), metadata(metadata) {}
    EncodeOptions(std::optional<std::int64_t> quality, std::optional<std::uint32_t> orientation,
                  std::optional<PreservedProperties> preserved, EncodeEffort effort, MetadataPolicy metadata)
        : quality(quality), orientation(orientation), preserved(std::move(preserved)), effort(effort),
          metadata(metadata) {}
};

} // namespace pictavo
