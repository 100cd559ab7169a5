#include "ImageEngine/Model/Adjustments.h"

#include "platform/base/Hashing.h"

namespace pictavo {

const Adjustments& Adjustments::none() {
    static const Adjustments value{Reorientation::none(), false};
    return value;
}

std::size_t Adjustments::hash() const {
    std::size_t seed = reorientation.hash();
    platform::hashCombineValue(seed, greyscale);
    return seed;
}

platform::json::Value Adjustments::encode() const {
    return {{"reorientation", reorientation.encode()}, {"greyscale", greyscale}};
}

Adjustments Adjustments::decode(const platform::json::Reader& reader) {
    const auto object = reader.object();
    return Adjustments{Reorientation::decode(object.at("reorientation")), object.boolean("greyscale")};
}

} // namespace pictavo
