#pragma once
#include "ImageEngine/Model/EncodeEffort.h"
#include "ImageEngine/Model/EncodeOptions.h"
#include "ImageEngine/Model/ImageProperties.h"
#include "ImageEngine/Model/MetadataPolicy.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pictavo {

struct MetadataStage {
    // The options of an ordinary encode: the pixels are upright by now, so the output
    // always declares orientation 1; the source's metadata goes along only under keepAll.
    // A packet that is not XML at all is left out: no writer could carry it as a packet.
    static EncodeOptions options(MetadataPolicy policy, const ImageProperties& source,
                                 std::optional<std::int64_t> quality, EncodeEffort effort);
    // What such an encode leaves out of the source's metadata and why; empty when nothing.
    static std::string leftOut(MetadataPolicy policy, const ImageProperties& source);
};

} // namespace pictavo
