#pragma once
#include "platform/base/ByteSource.h"

#include <cstdint>
#include <optional>

namespace platform {

// What one image directory of a TIFF (classic or BigTIFF) declares of its pixels' layout,
// read from the header and the directory alone, wherever in the file they point.
struct TIFFDirectory {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint32_t samplesPerPixel = 1;
    std::uint32_t bitsPerSample = 1;
    // Each sample in a plane of its own, read one plane at a time.
    bool separatePlanes = false;
    // The sides of a tile; 0 for a file in strips.
    std::uint64_t tileWidth = 0;
    std::uint64_t tileHeight = 0;
    // Rows of a strip: the whole height when the directory names none or more.
    std::uint64_t rowsPerStrip = 0;
    // Where the directory stands in the file.
    std::uint64_t offset = 0;

    bool tiled() const { return tileWidth > 0 && tileHeight > 0; }
    // The bytes one strip or tile takes once decompressed: the least a reader holds at once.
    std::uint64_t blockBytes() const;
    // The least a pixel takes once decoded: samples of fewer than 8 bits are widened to 8,
    // and a reader may keep no more than three colour samples of at most 16 bits.
    std::uint64_t leastDecodedBytesPerPixel() const;
};

// The directory of the image at `index` (0 the first), following the chain of directories;
// nothing when the bytes are not a TIFF, the chain ends before it, or it names no sides.
std::optional<TIFFDirectory> readTIFFDirectory(const ByteSource& source, std::int64_t index = 0);

} // namespace platform
