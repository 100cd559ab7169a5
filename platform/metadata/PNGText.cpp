#include "platform/metadata/PNGText.h"

namespace platform {
namespace {

constexpr const char* keywordField = "Keyword";
constexpr const char* textField = "Text";

} // namespace

PropertyValue pngTextProperty(const std::vector<PNGText>& texts) {
    PropertyArray array;
    array.reserve(texts.size());
    for (const auto& text : texts) {
        PropertyMap fields;
        fields[keywordField] = text.keyword;
        fields[textField] = text.text;
        array.emplace_back(std::move(fields));
    }
    return array;
}

std::vector<PNGText> pngTextsOf(const PropertyMap& properties) {
    std::vector<PNGText> texts;
    const auto* array = propertyOf<PropertyArray>(properties, keys::pngText);
    if (!array) return texts;
    for (const auto& entry : *array) {
        const auto* fields = entry.get<PropertyMap>();
        const auto* keyword = fields ? propertyOf<std::string>(*fields, keywordField) : nullptr;
        const auto* text = fields ? propertyOf<std::string>(*fields, textField) : nullptr;
        if (keyword && text) texts.push_back({*keyword, *text});
    }
    return texts;
}

} // namespace platform
