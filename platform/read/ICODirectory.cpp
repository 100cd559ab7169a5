#include "platform/read/ICODirectory.h"

namespace platform {

std::optional<std::uint16_t> icoEntryCount(ByteView start) {
    const auto count = start.u16le(4);
    if (start.u16le(0) != 0 || start.u16le(2) != 1 || !count || *count == 0) return std::nullopt;
    return count;
}

std::optional<std::vector<ICOEntry>> readICODirectory(ByteView start) {
    const auto count = icoEntryCount(start);
    if (!count) return std::nullopt;
    std::vector<ICOEntry> entries;
    for (std::size_t i = 0; i < *count; ++i) {
        const std::size_t at = icoHeaderBytes + i * icoEntryBytes;
        const auto size = start.u32le(at + 8);
        const auto offset = start.u32le(at + 12);
        if (!size || !offset) return std::nullopt;
        entries.push_back({*offset, *size});
    }
    return entries;
}

} // namespace platform
