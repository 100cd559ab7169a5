#pragma once
#include "ImageEngine/Model/EncodeEffort.h"
#include "ImageEngine/Model/EncodeOptions.h"
#include "ImageEngine/Model/ImageProperties.h"
#include "ImageEngine/Model/MetadataPolicy.h"

#include <cstdint>
#include <optional>

namespace pictavo {

struct MetadataStage {
    // The options of an ordinary encode: the pixels are upright by now, so the output
    // always declares orientation 1; the source's metadata goes along only under keepAll.
    static EncodeOptions options(MetadataPolicy policy, const ImageProperties& source,
                                 std::optional<std::int64_t> quality, EncodeEffort effort);
};

} // namespace pictavo
