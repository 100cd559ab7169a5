#pragma once
#include "platform/base/Bytes.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// A Photoshop file laid out byte by byte: the header, colour mode data, image resources, a
// layer section holding only its layer count, and the merged image's channels.
struct PSDSample {
    int version = 1;
    int mode = 3;
    int depth = 8;
    std::int64_t width = 1;
    std::int64_t height = 1;
    // Each channel's stored rows, big-endian, top to bottom.
    std::vector<platform::Bytes> channels;
    bool packBits = false;
    // Negative: the merged image's first extra channel is its transparency.
    int layerCount = 0;
    // Where 16 and 32-bit files keep the layers: a tagged block after an empty layer information.
    bool layersInTaggedBlock = false;
    platform::Bytes colourModeData;
    std::vector<std::pair<std::uint16_t, platform::Bytes>> resources;
    // Cuts the file after its layer section: a file saved without a merged image.
    bool withoutMergedImage = false;
};

platform::Bytes psdFile(const PSDSample& sample);
// PackBits as Photoshop codes a row: runs of three or more equal bytes repeated, the rest literal.
platform::Bytes packBits(const platform::Bytes& row);
// A channel of 16-bit or float values, stored big-endian.
platform::Bytes bigEndian16(const std::vector<std::uint16_t>& values);
platform::Bytes bigEndianFloats(const std::vector<float>& values);

// Runs `command` with /bin/sh (for the programs that write Photoshop files); false when it
// fails or the program is not installed.
bool hasProgram(const std::string& program);
bool run(const std::string& command);

} // namespace testing_support
