#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace platform {

// Bounds-checked reads of little- and big-endian integers from untrusted bytes: every
// read past the end gives nothing instead of touching memory it does not own.
class ByteView {
public:
    ByteView() = default;
    ByteView(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t size() const { return size_; }
    const std::uint8_t* data() const { return data_; }
    bool has(std::size_t offset, std::size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    // The bytes from offset on, count long; empty when they are not all there.
    ByteView sub(std::size_t offset, std::size_t count) const {
        return has(offset, count) ? ByteView(data_ + offset, count) : ByteView();
    }
    bool startsWith(std::size_t offset, std::string_view text) const {
        return has(offset, text.size()) && std::memcmp(data_ + offset, text.data(), text.size()) == 0;
    }

    std::optional<std::uint8_t> u8(std::size_t offset) const {
        if (!has(offset, 1)) return std::nullopt;
        return data_[offset];
    }
    std::optional<std::uint16_t> u16(std::size_t offset, bool bigEndian) const {
        if (!has(offset, 2)) return std::nullopt;
        const auto* p = data_ + offset;
        return bigEndian ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                         : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
    }
    std::optional<std::uint32_t> u32(std::size_t offset, bool bigEndian) const {
        if (!has(offset, 4)) return std::nullopt;
        const auto* p = data_ + offset;
        const std::uint32_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3];
        return bigEndian ? (b0 << 24 | b1 << 16 | b2 << 8 | b3) : (b3 << 24 | b2 << 16 | b1 << 8 | b0);
    }
    std::optional<std::uint16_t> u16le(std::size_t offset) const { return u16(offset, false); }
    std::optional<std::uint32_t> u32le(std::size_t offset) const { return u32(offset, false); }
    std::optional<std::uint16_t> u16be(std::size_t offset) const { return u16(offset, true); }
    std::optional<std::uint32_t> u32be(std::size_t offset) const { return u32(offset, true); }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace platform
