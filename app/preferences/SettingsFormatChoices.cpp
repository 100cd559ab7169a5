#include "app/preferences/SettingsFormatChoices.h"

#include "ImageEngine/Encoding/EncoderRegistry.h"

#include <algorithm>

namespace pictavo {
namespace {

std::vector<std::optional<OutputFormat>> build() {
    const EncoderRegistry registry = EncoderRegistry::standard();
    std::vector<OutputFormat> featured;
    for (const OutputFormat* format : {&OutputFormat::heic(), &OutputFormat::jpeg(), &OutputFormat::png(),
                                       &OutputFormat::webp(), &OutputFormat::avif(), &OutputFormat::tiff()})
        if (registry.hasEncoder(*format)) featured.push_back(*format);

    std::vector<std::optional<OutputFormat>> choices{OutputFormat::sameAsSource(), std::nullopt};
    choices.insert(choices.end(), featured.begin(), featured.end());
    choices.push_back(std::nullopt);
    for (const OutputFormat& format : registry.supportedFormats()) {
        if (format.isSameAsSource() || std::find(featured.begin(), featured.end(), format) != featured.end())
            continue;
        choices.push_back(format);
    }
    return choices;
}

} // namespace

const std::vector<std::optional<OutputFormat>>& settingsFormatChoices() {
    static const std::vector<std::optional<OutputFormat>> choices = build();
    return choices;
}

bool formatIsLossy(const OutputFormat& format) {
    return format.isSameAsSource() || OutputFormat::lossyIdentifiers().count(format.id()) > 0;
}

bool formatKeepsTransparency(const OutputFormat& format) {
    return format.isSameAsSource() || OutputFormat::transparentIdentifiers().count(format.id()) > 0;
}

} // namespace pictavo
