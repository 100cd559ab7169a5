#pragma once
#include "platform/base/Bytes.h"

#include <optional>

namespace platform {

// The PNG with its pHYs chunk saying `across` and `down` pixels per unknown unit (the pixels'
// shape, no resolution), as a source that named its resolution in no unit did; every other
// byte as it was. Nothing when the chunks before the pixel data hold no pHYs chunk, or the
// numbers do not fit one.
std::optional<Bytes> pngWithResolutionOfNoUnit(Bytes png, double across, double down);

} // namespace platform
