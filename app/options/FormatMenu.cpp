#include "app/options/FormatMenu.h"

#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "ImageEngine/Pipeline/WriteableFormats.h"

#include <algorithm>

namespace pictavo::FormatMenu {

namespace {

DSMenuRow<Tag> row(const OutputFormat& format) {
    return {Tag::value(format), QString::fromStdString(format.displayName()),
            QString::fromStdString(WriteableFormats::summary(format)), std::nullopt, false};
}

} // namespace

std::vector<OutputFormat> allFormats(const ConversionEngine& engine) {
    std::vector<OutputFormat> list = engine.encoders().supportedFormats();
    std::erase_if(list, [](const OutputFormat& format) { return format.isSameAsSource(); });
    return list;
}

std::vector<OutputFormat> featuredFormats(const ConversionEngine& engine) {
    return WriteableFormats::commonlyWantedAmong(engine.writableIdentifiers());
}

DSMenuContent<Tag> content(const OutputFormat& current, bool matchesDefault, const std::vector<OutputFormat>& featured,
                           const std::vector<OutputFormat>& all) {
    DSMenuContent<Tag> menu;
    menu.groups.push_back({std::nullopt, {row(OutputFormat::sameAsSource())}});
    DSMenuGroup<Tag> top{std::nullopt, {}};
    for (const OutputFormat& format : featured) top.rows.push_back(row(format));
    menu.groups.push_back(std::move(top));
    DSMenuGroup<Tag> more{QStringLiteral("More"), {}};
    for (const OutputFormat& format : all) {
        if (std::find(featured.begin(), featured.end(), format) == featured.end()) more.rows.push_back(row(format));
    }
    menu.groups.push_back(std::move(more));
    if (!matchesDefault) {
        menu.groups.push_back({std::nullopt,
                               {{Tag::saveAsDefault(), QStringLiteral("Save as default"),
                                 QStringLiteral("New batches start as ") + QString::fromStdString(current.displayName()),
                                 std::nullopt, false}}});
    }
    return menu;
}

} // namespace pictavo::FormatMenu
