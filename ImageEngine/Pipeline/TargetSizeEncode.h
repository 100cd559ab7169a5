#pragma once
#include "ImageEngine/Model/EncodeEffort.h"
#include "platform/base/Bytes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>

namespace pictavo {

class ImageEncoder;

// The pipeline's use of the target-size search: probes at preview effort where the encoder
// allows it, probe bytes kept where they are final anyway, and at most one more encode.
struct TargetSizeEncode {
    static constexpr std::int64_t maxProbes = 8;

    struct Output {
        platform::Bytes bytes;
        // The quality the bytes were made at; absent for an encoder without a quality setting.
        std::optional<std::int64_t> quality;
    };

    // `encode` encodes the working image at a quality and an effort.
    using Encode = std::function<platform::Bytes(std::int64_t quality, EncodeEffort effort)>;

    static Output run(const ImageEncoder& encoder, std::int64_t targetBytes, EncodeEffort effort,
                      const std::stop_token& stop, const Encode& encode);
};

} // namespace pictavo
