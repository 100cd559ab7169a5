#include "platform/ImageWriterBackend.h"

#include <algorithm>
#include <cmath>

namespace platform {

int percentQuality(std::optional<double> lossyQuality, int fallback) {
    if (!lossyQuality || !std::isfinite(*lossyQuality)) return fallback;
    return static_cast<int>(std::clamp(std::lround(*lossyQuality * 100), 1L, 100L));
}

} // namespace platform
