#pragma once
#include "platform/base/ByteView.h"

namespace platform {

// Whether any frame of a GIF names a transparent colour index. The GIF decoder always gives
// four bands; an opaque GIF must still be reported, and decoded, as opaque.
bool gifDeclaresTransparency(ByteView gif);

} // namespace platform
