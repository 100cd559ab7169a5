#include "app/preferences/SettingsFormatChoices.h"

#include "app/options/FormatMenu.h"

#include <algorithm>

namespace pictavo {

std::vector<std::optional<OutputFormat>> settingsFormatChoices(const ConversionEngine& engine) {
    // The format menu's list, so that the settings offer what the toolbar offers.
    const std::vector<OutputFormat> all = FormatMenu::allFormats(engine);
    std::vector<OutputFormat> featured;
    for (const OutputFormat* format : {&OutputFormat::heic(), &OutputFormat::jpeg(), &OutputFormat::png(),
                                       &OutputFormat::webp(), &OutputFormat::avif(), &OutputFormat::tiff()})
        if (std::find(all.begin(), all.end(), *format) != all.end()) featured.push_back(*format);

    std::vector<std::optional<OutputFormat>> choices{OutputFormat::sameAsSource(), std::nullopt};
    choices.insert(choices.end(), featured.begin(), featured.end());
    choices.push_back(std::nullopt);
    for (const OutputFormat& format : all)
        if (std::find(featured.begin(), featured.end(), format) == featured.end()) choices.push_back(format);
    return choices;
}

bool formatIsLossy(const OutputFormat& format) {
    return format.isSameAsSource() || OutputFormat::lossyIdentifiers().count(format.id()) > 0;
}

bool formatKeepsTransparency(const OutputFormat& format) {
    return format.isSameAsSource() || OutputFormat::transparentIdentifiers().count(format.id()) > 0;
}

} // namespace pictavo
