#include "ImageEngine/Pipeline/WriteableFormats.h"

#include "ImageEngine/Encoding/imageio/ImageIOFormats.h"

namespace pictavo::WriteableFormats {

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

std::string summary(const OutputFormat& format) {
    if (format.isSameAsSource()) return "Optimise without converting";
    const bool transparent = OutputFormat::transparentIdentifiers().count(format.id()) > 0;
    if (auto kind = ImageIOFormats::compression(format)) {
        using Compression = OutputFormat::Compression;
        const char* word = *kind == Compression::lossy ? "Lossy" : *kind == Compression::lossless ? "Lossless" : "256 colours";
        return std::string(word) + (transparent ? ", transparency" : ", no transparency");
    }
    return transparent ? "Transparency" : "No transparency";
}

} // namespace pictavo::WriteableFormats
