#include "ImageEngine/Model/FormatOrdering.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <string>

namespace pictavo {

namespace {

// The label in canonical composition, UTF-16; a label ICU cannot take stays as it was read.
std::u16string normalisedLabel(const std::string& label) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, label.data(), static_cast<int32_t>(label.size()), &status);
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8(text.data(), length, nullptr, label.data(), static_cast<int32_t>(label.size()), &status);
    if (U_FAILURE(status)) return text;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) return text;
    int32_t needed = unorm2_normalize(nfc, text.data(), length, nullptr, 0, &status);
    std::u16string normalised(static_cast<std::size_t>(needed), u'\0');
    status = U_ZERO_ERROR;
    unorm2_normalize(nfc, text.data(), length, normalised.data(), needed, &status);
    return U_FAILURE(status) ? text : normalised;
}

} // namespace

std::vector<OutputFormat> sortedByDisplayName(std::vector<OutputFormat> formats) {
    struct Entry {
        std::u16string label;
        std::string id;
        std::size_t index;
    };
    std::vector<Entry> entries;
    entries.reserve(formats.size());
    for (std::size_t i = 0; i < formats.size(); ++i)
        entries.push_back({normalisedLabel(formats[i].displayName()), formats[i].id(), i});
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        // Code point order, not UTF-16 unit order, so that scalars above U+FFFF sort as scalars.
        const int order = u_strCompare(reinterpret_cast<const UChar*>(a.label.data()),
                                       static_cast<int32_t>(a.label.size()),
                                       reinterpret_cast<const UChar*>(b.label.data()),
                                       static_cast<int32_t>(b.label.size()), true);
        return order != 0 ? order < 0 : a.id < b.id;
    });
    std::vector<OutputFormat> sorted;
    sorted.reserve(formats.size());
    for (const auto& entry : entries) sorted.push_back(formats[entry.index]);
    return sorted;
}

} // namespace pictavo
