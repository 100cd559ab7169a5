#pragma once
#include "platform/base/Bytes.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>

// The Apple icon file: "icns", the total length, then one element per icon type, each a type
// code, its length and a complete PNG. No table of contents and no other chunk.
namespace pictavo::ICNSContainer {

struct Element {
    std::string_view type;
    std::int64_t side;
};

// Writing order. A side named twice is written under both types with the same PNG.
inline constexpr std::array<Element, 10> elementTable{{{"icp4", 16},
                                                       {"ic11", 32},
                                                       {"icp5", 32},
                                                       {"ic12", 64},
                                                       {"ic07", 128},
                                                       {"ic13", 256},
                                                       {"ic08", 256},
                                                       {"ic14", 512},
                                                       {"ic09", 512},
                                                       {"ic10", 1024}}};

// The file holding each PNG under the element types of its side; sides the table does not
// name are left out. None when no element would be written or a length would not fit 32 bits.
std::optional<platform::Bytes> write(const std::map<std::int64_t, platform::Bytes>& pngsBySide);

} // namespace pictavo::ICNSContainer
