#pragma once
#include "platform/base/ByteView.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// The header of one ISO base media box (HEIF and AVIF, JPEG 2000, the JPEG XL container) at
// the start of `head`: its four-letter type, the bytes of the header itself (16 where a 64-bit
// size follows the type) and the box's whole size, `toTheEnd` for a box that says it runs to
// the end of the file. Nothing when the header does not read or the box is smaller than it.
struct ISOBoxHeader {
    ByteView type;
    std::size_t headerBytes = 8;
    std::uint64_t size = 0;
};

inline std::optional<ISOBoxHeader> isoBoxHeader(ByteView head, std::uint64_t toTheEnd) {
    const auto size32 = head.u32be(0);
    if (!size32 || !head.has(4, 4)) return std::nullopt;
    ISOBoxHeader box{head.sub(4, 4), 8, *size32};
    if (box.size == 1) {
        const auto high = head.u32be(8), low = head.u32be(12);
        if (!high || !low) return std::nullopt;
        box.size = std::uint64_t{*high} << 32 | *low;
        box.headerBytes = 16;
    } else if (box.size == 0) {
        box.size = toTheEnd;
    }
    if (box.size < box.headerBytes) return std::nullopt;
    return box;
}

// Calls visit(type, body) for each box in the bytes, in order, with every length checked;
// stops at the first box that does not read or runs past the end.
template <typename Visit>
void forEachISOBox(ByteView bytes, Visit visit) {
    for (std::size_t at = 0; at < bytes.size();) {
        const ByteView rest = bytes.sub(at, bytes.size() - at);
        const auto box = isoBoxHeader(rest, rest.size());
        if (!box || box->size > rest.size()) return;
        visit(box->type, rest.sub(box->headerBytes, static_cast<std::size_t>(box->size) - box->headerBytes));
        at += static_cast<std::size_t>(box->size);
    }
}

} // namespace platform
