#include "platform/metadata/Exiv2Runtime.h"

#include <exiv2/exiv2.hpp>

namespace platform {
namespace {

std::mutex exiv2InUse;
std::mutex xmpRegistry;

void lockXmpRegistry(void* mutex, bool lock) {
    auto* registry = static_cast<std::mutex*>(mutex);
    if (lock) registry->lock();
    else registry->unlock();
}

} // namespace

std::unique_lock<std::mutex> exiv2Exclusively() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(lockXmpRegistry, &xmpRegistry);
        // exiv2 does not know the namespace in which a JPEG's standard packet names its extension.
        Exiv2::XmpProperties::registerNs("http://ns.adobe.com/xmp/note/", "xmpNote");
    });
    return std::unique_lock(exiv2InUse);
}

} // namespace platform
