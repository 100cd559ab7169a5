#pragma once
#include "platform/base/Bytes.h"

#include <cstdint>

namespace platform {

// Appends little-endian integers, as the Windows file headers (BMP, ICO) store them.
class LittleEndianWriter {
public:
    explicit LittleEndianWriter(Bytes& out) : out_(out) {}
    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16(std::uint16_t v) {
        out_.push_back(static_cast<std::uint8_t>(v));
        out_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) out_.push_back(static_cast<std::uint8_t>(v >> shift));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }

private:
    Bytes& out_;
};

} // namespace platform
