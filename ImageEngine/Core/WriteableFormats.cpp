#include "ImageEngine/Core/WriteableFormats.h"

#include "ImageEngine/Core/CompressionProbe.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"
#include "platform/ImageReader.h"
#include "platform/ImageWriter.h"

namespace pictavo {

std::unordered_set<std::string> writeableIdentifiers(const std::vector<OutputFormat>& encoderFormats,
                                                     const std::vector<OutputFormat>& optimisedKeepingAll,
                                                     const std::vector<OutputFormat>& optimisedStripping) {
    std::unordered_set<std::string> result;
    for (const auto& format : encoderFormats) result.insert(format.id());
    std::unordered_set<std::string> stripping;
    for (const auto& format : optimisedStripping) stripping.insert(format.id());
    for (const auto& format : optimisedKeepingAll)
        if (stripping.count(format.id())) result.insert(format.id());
    return result;
}

std::vector<OutputFormat> commonlyWantedAmong(const std::unordered_set<std::string>& writeable) {
    std::vector<OutputFormat> result;
    for (const OutputFormat* format : {&OutputFormat::heic(), &OutputFormat::jpeg(), &OutputFormat::png(),
                                       &OutputFormat::webp(), &OutputFormat::avif(), &OutputFormat::tiff()})
        if (writeable.count(format->id())) result.push_back(*format);
    return result;
}

// In the writer's own order; identifiers without a type are dropped.
const std::vector<OutputFormat>& OutputFormat::imageIOWriteable() {
    static const std::vector<OutputFormat> formats = [] {
        std::vector<OutputFormat> result;
        for (const auto& identifier : platform::ImageWriter::typeIdentifiers())
            if (auto type = platform::ContentType::withIdentifier(identifier)) result.emplace_back(*type);
        return result;
    }();
    return formats;
}

// Building the registries reads imageIOWriteable() and the compression table, never this.
const std::unordered_set<std::string>& OutputFormat::writeable() {
    static const std::unordered_set<std::string> identifiers = [] {
        const auto optimisers = SourceOptimiserRegistry::standard();
        return writeableIdentifiers(EncoderRegistry::standard().supportedFormats(),
                                    optimisers.formats(MetadataPolicy::keepAll),
                                    optimisers.formats(MetadataPolicy::strip));
    }();
    return identifiers;
}

const std::vector<OutputFormat>& OutputFormat::commonlyWanted() {
    static const std::vector<OutputFormat> formats = commonlyWantedAmong(writeable());
    return formats;
}

// Read back by the same reader the raster decoder uses, so that the answer is what a
// conversion from the written file would see.
const std::unordered_map<std::string, OutputFormat::Compression>& OutputFormat::probedCompressions() {
    static const std::unordered_map<std::string, Compression> table =
        CompressionProbe::probedCompressions(imageIOWriteable(), [](const platform::Bytes& file) -> platform::ImageRef {
            auto reader = platform::ImageReader::open(std::make_shared<const platform::Bytes>(file));
            if (!reader || reader->count() < 1) return nullptr;
            return reader->imageAt(0).image;
        });
    return table;
}

} // namespace pictavo
