#include "ImageEngine/Encoding/imageio/ImageIOFormats.h"

#include "ImageEngine/Encoding/imageio/CompressionProbe.h"
#include "platform/read/ImageReader.h"
#include "platform/write/ImageWriter.h"

namespace pictavo::ImageIOFormats {

const std::vector<OutputFormat>& writeable() {
    static const std::vector<OutputFormat> formats = [] {
        std::vector<OutputFormat> result;
        for (const auto& identifier : platform::ImageWriter::typeIdentifiers())
            if (auto type = platform::ContentType::withIdentifier(identifier)) result.emplace_back(*type);
        return result;
    }();
    return formats;
}

// Read back by the same reader the raster decoder uses, so that the answer is what a
// conversion from the written file would see.
const std::unordered_map<std::string, OutputFormat::Compression>& probedCompressions() {
    static const std::unordered_map<std::string, OutputFormat::Compression> table =
        CompressionProbe::probedCompressions(writeable(), [](const platform::Bytes& file) -> platform::ImageRef {
            auto reader = platform::ImageReader::open(std::make_shared<const platform::Bytes>(file));
            if (!reader || reader->count() < 1) return nullptr;
            return reader->imageAt(0).image;
        });
    return table;
}

std::optional<OutputFormat::Compression> compression(const OutputFormat& format) {
    if (auto defined = format.definedCompression()) return defined;
    if (!format.utType()) return std::nullopt;
    const auto& probed = probedCompressions();
    if (auto found = probed.find(format.id()); found != probed.end()) return found->second;
    return std::nullopt;
}

} // namespace pictavo::ImageIOFormats
