#include "ImageEngine/Decoding/BrowserRenderGate.h"

namespace pictavo {

BrowserRenderGate& BrowserRenderGate::shared() {
    // Never destroyed: the host's thread may still deliver to a turn while the process ends.
    static BrowserRenderGate* const gate = new BrowserRenderGate;
    return *gate;
}

} // namespace pictavo
