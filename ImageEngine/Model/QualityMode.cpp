#include "ImageEngine/Model/QualityMode.h"

#include "platform/base/Hashing.h"

namespace pictavo {

namespace json = platform::json;

std::size_t QualityMode::hash() const {
    std::size_t seed = 0;
    platform::hashCombineValue(seed, static_cast<int>(kind_));
    platform::hashCombineValue(seed, payload_);
    return seed;
}

json::Value QualityMode::encode() const {
    switch (kind_) {
    case Kind::lossless: return json::closedSetCase("lossless");
    case Kind::quality: return json::closedSetCase("quality", {{"_0", payload_}});
    case Kind::targetBytes: break;
    }
    return json::closedSetCase("targetBytes", {{"_0", payload_}});
}

QualityMode QualityMode::decode(const json::Reader& reader) {
    const auto [name, payload] = reader.object().closedSetCase({"lossless", "quality", "targetBytes"});
    const auto fields = payload.object();
    if (name == "lossless") return lossless();
    if (name == "quality") return quality(fields.int64("_0"));
    return targetBytes(fields.int64("_0"));
}

} // namespace pictavo
