#pragma once
#include "platform/base/ByteView.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// The parts of a Photoshop file (PSD, or PSB with its wider lengths) that its merged image
// needs, each checked to lie inside the file: the header, the palette, the image resources
// that carry metadata, the layer count's sign (the one place the file says whether the merged
// image's first extra channel is its transparency) and where the merged image's data starts.
struct PSDFile {
    enum class Mode : std::uint16_t {
        bitmap = 0, greyscale = 1, indexed = 2, rgb = 3, cmyk = 4, multichannel = 7, duotone = 8, lab = 9
    };
    enum class Compression : std::uint16_t { raw = 0, packBits = 1 };

    bool bigDocument = false; // PSB
    int channels = 0;
    // The channels the merged image's data holds: all the header's, or, for indexed colour,
    // the indices alone where the writer stored no more.
    int storedChannels = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int depth = 0;
    Mode mode = Mode::rgb;

    // Indexed files: 256 reds, then 256 greens, then 256 blues.
    ByteView palette;
    std::optional<std::uint16_t> transparentIndex;
    ByteView iccProfile;
    ByteView exif;
    ByteView xmp;
    ByteView iptc;
    // The whole image resources section.
    ByteView resources;
    // Pixels per inch, whatever unit the file shows them in.
    std::optional<double> horizontalResolution;
    std::optional<double> verticalResolution;

    bool mergedAlpha = false;
    // Photoshop, and the editors that write its version resource, lay a transparent merged
    // image on white; others store its colour straight.
    bool compositedOnWhite = false;
    Compression compression = Compression::raw;
    // The merged image's data, after its compression field, to the end of the file.
    ByteView imageData;
    // Every byte the merged image's channels need is in the file.
    bool complete = false;

    // The colour channels of the mode: 1, 3 or 4.
    int colourChannels() const;
    // Bytes of one stored row of one channel.
    std::size_t rowBytes() const { return (static_cast<std::size_t>(width) * static_cast<std::size_t>(depth) + 7) / 8; }
};

// The file's layout; nothing when it is not a Photoshop file this reader can draw: a header
// out of range, a mode or depth the format does not pair, a section that runs past the end,
// or no merged image at all (a file saved with its layers only, whose version resource says
// that what stands in the merged image's place is not the picture). A file declaring a side of
// over 1,000,000 pixels is let through unchecked, so that its size reaches the caller, who
// refuses it by size; its pixels are never decoded.
std::optional<PSDFile> readPSDFile(ByteView file);

} // namespace platform
