#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"

#include <algorithm>
#include <cstdint>
#include <functional>

namespace platform {

// The bytes of one file or buffer by their offset, read only as they are asked for: a header
// that points further in is followed without reading what lies between. Fewer than `most`
// at the end, none past it.
using ByteSource = std::function<Bytes(std::uint64_t offset, std::size_t most)>;

// The bytes of a buffer, which must outlive the source.
inline ByteSource byteSourceOf(ByteView bytes) {
    return [bytes](std::uint64_t offset, std::size_t most) {
        if (offset >= bytes.size()) return Bytes();
        const std::size_t count = std::min<std::uint64_t>(most, bytes.size() - offset);
        return Bytes(bytes.data() + offset, bytes.data() + offset + count);
    };
}

// The `length` bytes from `offset` of another source, as a source of their own: a file held
// inside another, as an icon holds a PNG.
inline ByteSource byteSourceWithin(ByteSource source, std::uint64_t offset, std::uint64_t length) {
    return [source = std::move(source), offset, length](std::uint64_t at, std::size_t most) {
        if (at >= length) return Bytes();
        return source(offset + at, static_cast<std::size_t>(std::min<std::uint64_t>(most, length - at)));
    };
}

} // namespace platform
