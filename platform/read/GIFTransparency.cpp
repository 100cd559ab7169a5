#include "platform/read/GIFTransparency.h"

namespace platform {
namespace {

// Skips a chain of data sub-blocks; false when the chain runs past the end.
bool skipSubBlocks(ByteView gif, std::size_t& at) {
    while (true) {
        const auto length = gif.u8(at);
        if (!length) return false;
        at += 1 + *length;
        if (*length == 0) return true;
    }
}

std::size_t colourTableBytes(std::uint8_t flags) { return (flags & 0x80) ? 3u * (2u << (flags & 0x07)) : 0; }

} // namespace

bool gifDeclaresTransparency(ByteView gif) {
    const auto screenFlags = gif.u8(10);
    if (!screenFlags) return false;
    std::size_t at = 13 + colourTableBytes(*screenFlags);
    while (true) {
        const auto introducer = gif.u8(at);
        if (!introducer || *introducer == 0x3B) return false;
        if (*introducer == 0x21) {
            const auto label = gif.u8(at + 1);
            if (!label) return false;
            // A graphic control extension: block size 4, then flags whose lowest bit says
            // that a transparent index follows.
            if (*label == 0xF9 && gif.u8(at + 2) == 4) {
                const auto flags = gif.u8(at + 3);
                if (flags && (*flags & 0x01)) return true;
            }
            at += 2;
            if (!skipSubBlocks(gif, at)) return false;
        } else if (*introducer == 0x2C) {
            const auto imageFlags = gif.u8(at + 9);
            if (!imageFlags) return false;
            at += 10 + colourTableBytes(*imageFlags) + 1; // descriptor, local table, LZW code size
            if (!skipSubBlocks(gif, at)) return false;
        } else {
            return false;
        }
    }
}

} // namespace platform
