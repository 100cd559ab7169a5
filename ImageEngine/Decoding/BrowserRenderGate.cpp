#include "ImageEngine/Decoding/BrowserRenderGate.h"

namespace pictavo {

BrowserRenderGate& BrowserRenderGate::shared() {
    static BrowserRenderGate gate;
    return gate;
}

} // namespace pictavo
