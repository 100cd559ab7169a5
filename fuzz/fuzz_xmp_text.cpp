#include "platform/metadata/XMPOrientation.h"
#include "platform/metadata/XMPText.h"
#include "platform/text/UnicodeText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// An XMP packet's bytes come straight from a user's file, in any of the encodings XMP allows
// or none. Text that holds a NUL must be the bytes given whole; well-formed text read back
// from UTF-16 is the same text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto text = platform::xmpText(platform::ByteView(data, size));
    if (!text) return 0;
    if (text->find('\0') != std::string::npos && (text->size() != size || text->compare(0, size, reinterpret_cast<const char*>(data), size) != 0))
        std::abort();
    if (text->find('\0') == std::string::npos && platform::isValidUTF8(*text)) {
        std::string wide = "\xFE\xFF";
        for (char32_t scalar : platform::scalars(*text)) {
            if (scalar >= 0x10000) {
                const char32_t high = 0xD800 + ((scalar - 0x10000) >> 10), low = 0xDC00 + ((scalar - 0x10000) & 0x3FF);
                wide += {static_cast<char>(high >> 8), static_cast<char>(high & 0xFF), static_cast<char>(low >> 8),
                         static_cast<char>(low & 0xFF)};
            } else {
                wide += {static_cast<char>(scalar >> 8), static_cast<char>(scalar & 0xFF)};
            }
        }
        const auto again = platform::xmpText(platform::ByteView(reinterpret_cast<const std::uint8_t*>(wide.data()), wide.size()));
        if (again != text) std::abort();
    }
    (void)platform::xmpOrientation(platform::XMPPacket{*text});
    return 0;
}
