#include "ImageEngine/Decoding/SVGComplexity.h"

#include "platform/text/RegularExpression.h"
#include "platform/text/UnicodeText.h"

#include <array>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace pictavo {

namespace {

using platform::RegularExpression;

// The patterns are constants: one that failed to compile would be a mistake in this file.
RegularExpression compile(std::string_view pattern, bool dotAll = false) {
    return *RegularExpression::compile(pattern, dotAll);
}

const RegularExpression& externalImagePattern() {
    static const auto pattern =
        compile(R"re(<(?:[a-z0-9_.-]+:)?image(?=[\s/>])[^>]*\s(?:[a-z0-9_.-]+:)?href\s*=\s*["']\s*+(?!data:))re");
    return pattern;
}

const RegularExpression& presentationAttributePattern() {
    static const auto pattern = compile(R"re((?<![\w:.-])(filter|clip-path|mask)\s*=\s*(?:"([^"]*)"|'([^']*)'))re");
    return pattern;
}

const RegularExpression& styleAttributePattern() {
    static const auto pattern = compile(R"re((?<![\w:.-])style\s*=\s*(?:"([^"]*)"|'([^']*)'))re");
    return pattern;
}

const RegularExpression& styleElementPattern() {
    static const auto pattern = compile(R"re(<(?:[\w.-]+:)?style(?=[\s>])[^>]*>(.*?)</(?:[\w.-]+:)?style\s*>)re", true);
    return pattern;
}

const RegularExpression& cssCommentPattern() {
    static const auto pattern = compile(R"re(/\*.*?\*/)re", true);
    return pattern;
}

const RegularExpression& cssDeclarationPattern() {
    static const auto pattern = compile(R"re((?:^|[{;])\s*(-?[a-z][a-z-]*)\s*:\s*([^;{}]*))re");
    return pattern;
}

const RegularExpression& singleURLPattern() {
    static const auto pattern = compile(R"re(^url\([^)]*\)$)re");
    return pattern;
}

const std::unordered_set<std::string_view>& screenedProperties() {
    static const std::unordered_set<std::string_view> names{
        "filter",   "-webkit-filter", "clip-path",          "-webkit-clip-path", "mask",
        "-webkit-mask", "mask-image", "-webkit-mask-image", "animation",         "-webkit-animation"};
    return names;
}

constexpr std::array<std::string_view, 9> browserMarkers{
    "<filter", "<foreignobject", "@font-face", "@keyframes", "<animate", "<mask", "<use", "mix-blend-mode", "backdrop-filter"};

std::string_view groupOr(const RegularExpression::Groups& groups, std::size_t index) {
    return index < groups.size() && groups[index] ? *groups[index] : std::string_view();
}

std::string_view firstPresent(const RegularExpression::Groups& groups, std::size_t first, std::size_t second) {
    if (first < groups.size() && groups[first]) return *groups[first];
    return groupOr(groups, second);
}

std::vector<std::pair<std::string_view, std::string_view>> presentationAttributes(std::string_view text) {
    std::vector<std::pair<std::string_view, std::string_view>> pairs;
    for (const auto& match : presentationAttributePattern().allMatches(text))
        pairs.emplace_back(groupOr(match, 1), firstPresent(match, 2, 3));
    return pairs;
}

std::vector<std::string_view> styleTexts(std::string_view text) {
    std::vector<std::string_view> texts;
    for (const auto& match : styleAttributePattern().allMatches(text)) texts.push_back(firstPresent(match, 1, 2));
    for (const auto& match : styleElementPattern().allMatches(text)) texts.push_back(groupOr(match, 1));
    return texts;
}

std::vector<std::pair<std::string, std::string>> declarations(std::string_view style) {
    const std::string uncommented = cssCommentPattern().replacingAll(style, " ");
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const auto& match : cssDeclarationPattern().allMatches(uncommented))
        pairs.emplace_back(std::string(groupOr(match, 1)), std::string(groupOr(match, 2)));
    return pairs;
}

bool isHarmlessValue(std::string_view name, std::string_view value) {
    std::string kept(value);
    constexpr std::string_view important = "!important";
    for (auto at = kept.find(important); at != std::string::npos; at = kept.find(important, at))
        kept.erase(at, important.size());
    const std::string_view trimmed = platform::trimmingWhitespaceAndNewlines(kept);
    if (trimmed == "none" || trimmed == "initial") return true;
    return name.ends_with("clip-path") && singleURLPattern().foundIn(trimmed);
}

bool screenedLowercased(std::string_view text) {
    for (auto marker : browserMarkers)
        if (text.find(marker) != std::string_view::npos) return true;
    if (externalImagePattern().foundIn(text)) return true;
    for (const auto& [name, value] : presentationAttributes(text))
        if (!isHarmlessValue(name, value)) return true;
    for (const auto style : styleTexts(text))
        for (const auto& [property, value] : declarations(style))
            if (screenedProperties().count(property) && !isHarmlessValue(property, value)) return true;
    return false;
}

} // namespace

bool SVGComplexity::needsWebKit(std::span<const std::uint8_t> bytes) {
    const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!platform::isValidUTF8(raw)) return true;
    try {
        return screenedLowercased(platform::unicodeLowercased(raw));
    } catch (const RegularExpression::TooMuchWork&) {
        return true;
    }
}

} // namespace pictavo
