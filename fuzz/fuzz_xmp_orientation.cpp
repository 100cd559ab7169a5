#include "platform/metadata/XMPOrientation.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// Carried XMP comes straight from user files; the editor must refuse or give a packet that
// reads back as the orientation set and in which setting it again changes nothing.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int orientation = data[0] % 10;
    const platform::XMPPacket packet{std::string(reinterpret_cast<const char*>(data + 1), size - 1)};
    const auto edited = platform::xmpWithOrientation(packet, orientation);
    if (edited) {
        const auto again = platform::xmpWithOrientation(*edited, orientation);
        if (!again || again->text != edited->text) std::abort();
        if (platform::xmpOrientation(*edited) != orientation) std::abort();
    }
    return 0;
}
