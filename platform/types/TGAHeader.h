#pragma once
#include "platform/base/ByteView.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// The 18-byte header of a Truevision TGA file. The format has no signature at its start, so a
// file is taken for a TGA only when every field holds a value the format allows and the parts
// the header announces fit in the file.
struct TGAHeader {
    static constexpr std::size_t length = 18;
    enum class Kind { colourMapped = 1, trueColour = 2, grey = 3 };

    Kind kind = Kind::trueColour;
    bool runLength = false;
    std::size_t idLength = 0;
    bool hasColourMap = false;
    std::uint16_t mapFirstIndex = 0;
    std::uint16_t mapLength = 0;
    int mapEntryBits = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int pixelBits = 0;
    int alphaBits = 0;
    bool rightToLeft = false;
    bool topToBottom = false;

    std::size_t mapOffset() const { return length + idLength; }
    std::size_t mapBytes() const { return hasColourMap ? mapLength * static_cast<std::size_t>((mapEntryBits + 7) / 8) : 0; }
    std::size_t pixelOffset() const { return mapOffset() + mapBytes(); }
    std::size_t bytesPerPixel() const { return static_cast<std::size_t>((pixelBits + 7) / 8); }
};

// Nothing when the bytes do not start with a plausible header: an image type other than
// colour-mapped, true-colour or grey (plain or run-length coded), a pixel or map entry size
// the type does not have, a colour map announced without one or missing where needed, a zero
// side, or an image ID and colour map running past the end of the file.
std::optional<TGAHeader> readTGAHeader(ByteView bytes);

} // namespace platform
