#pragma once
#include "ImageEngine/Model/OutputFormat.h"
#include "platform/base/Bytes.h"
#include "platform/pixels/Image.h"

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pictavo {

// Finds out whether the platform writer keeps every pixel of a format: a small pattern is
// written, read back and compared byte for byte after both are drawn the same way.
class CompressionProbe {
public:
    // Reads the first image of a written file back, as the raster decoder does; null when
    // it cannot.
    using ReadBack = std::function<platform::ImageRef(const platform::Bytes&)>;

    // 32 x 32 sRGB RGBX: red = 255x/31, green = 255y/31, blue 255 where x + y is odd.
    static platform::ImageRef probePattern();
    // The image alone in a file of that format, with no properties; nothing when the
    // writer cannot write it.
    static std::optional<platform::Bytes> writeProbeImage(const platform::ImageRef& image,
                                                          const std::string& identifier);
    // Lossless when every byte comes back, lossy when one differs; no answer when the file
    // cannot be written or read back, comes back at another size, or cannot be drawn for
    // the comparison.
    static std::optional<OutputFormat::Compression> probeCompression(const std::string& identifier,
                                                                     const ReadBack& readBack);
    // The answers for every format the writer lists that is neither lossy nor palette-based
    // by definition; formats without an answer have no entry.
    static std::unordered_map<std::string, OutputFormat::Compression>
    probedCompressions(const std::vector<OutputFormat>& writerFormats, const ReadBack& readBack);
};

} // namespace pictavo
