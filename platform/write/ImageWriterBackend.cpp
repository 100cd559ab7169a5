#include "platform/write/ImageWriterBackend.h"

#include <algorithm>
#include <cmath>

namespace platform {

int percentQuality(std::optional<double> lossyQuality, int fallback) {
    if (!lossyQuality || !std::isfinite(*lossyQuality)) return fallback;
    return static_cast<int>(std::lround(std::clamp(*lossyQuality * 100, 1.0, 100.0)));
}

} // namespace platform
