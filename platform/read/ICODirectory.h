#pragma once
#include "platform/base/ByteView.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

// Where one image of a Windows icon file lies: a PNG, or a bitmap with its AND mask.
struct ICOEntry {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// The 6-byte header of an icon file and the 16-byte directory entries after it.
constexpr std::size_t icoHeaderBytes = 6;
constexpr std::size_t icoEntryBytes = 16;

// How many entries the header at the start of the bytes announces; nothing when it is no icon header.
std::optional<std::uint16_t> icoEntryCount(ByteView start);
// The entries of the directory at the start of the bytes; nothing when it is no icon directory
// or is cut short.
std::optional<std::vector<ICOEntry>> readICODirectory(ByteView start);

} // namespace platform
