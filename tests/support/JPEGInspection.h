#pragma once
#include "platform/base/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a test needs to know about a JPEG file, read with the library's own decoder:
// the coefficients exactly as stored, the frame, the tables and the saved markers.
namespace testing_support {

struct JPEGComponent {
    int hSampling = 0;
    int vSampling = 0;
    int widthInBlocks = 0;
    int heightInBlocks = 0;
    int quantTable = 0;
    std::vector<std::int16_t> coefficients; // widthInBlocks x heightInBlocks blocks, 64 each, row by row

    const std::int16_t* block(int column, int row) const {
        return coefficients.data() + (static_cast<std::size_t>(row) * widthInBlocks + column) * 64;
    }
};

struct JPEGMarker {
    int code = 0;
    platform::Bytes data;
    bool startsWith(const std::string& prefix) const;
};

struct JPEGInspection {
    int width = 0;
    int height = 0;
    bool progressive = false;
    int colourSpace = 0; // the library's J_COLOR_SPACE of the stored data
    std::vector<JPEGComponent> components;
    std::vector<std::vector<std::uint16_t>> quantTables; // by table number, 64 each; empty when absent
    std::vector<JPEGMarker> markers;                     // COM and APPn in file order
    platform::Bytes icc;

    int markerCount(int code, const std::string& prefix) const;
    // What follows `header` in the first APP1 segment that starts with it.
    std::optional<platform::Bytes> app1Payload(const std::string& header) const;
};

// Throws std::runtime_error with the library's message when the bytes are not a JPEG.
JPEGInspection inspectJpeg(const platform::Bytes& jpeg);

// Decoded pixels: RGB (3 bytes) or grey (1 byte) rows without padding.
struct DecodedJPEG {
    int width = 0;
    int height = 0;
    int components = 0;
    platform::Bytes pixels;
};
DecodedJPEG decodeJpeg(const platform::Bytes& jpeg);

} // namespace testing_support
