#include "ImageEngine/Minify/SVGMarkupScanner.h"

#include "platform/text/RegularExpression.h"
#include "platform/text/UnicodeText.h"

#include <algorithm>

namespace pictavo::SVGMetadata {

namespace {

std::string_view asText(ByteSpan bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

bool isWhitespace(std::uint8_t byte) { return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r'; }

bool startsWith(ByteSpan bytes, std::size_t at, std::string_view text) {
    return at <= bytes.size() && asText(bytes).substr(at).starts_with(text);
}

std::optional<platform::RegularExpression> compiledOrNothing(std::string_view pattern) {
    return platform::RegularExpression::compile(pattern);
}

const platform::RegularExpression* ampersandReferencePattern() {
    static const auto pattern = compiledOrNothing("&#0*38;|&#[xX]0*26;");
    return pattern ? &*pattern : nullptr;
}

const platform::RegularExpression* lessThanReferencePattern() {
    static const auto pattern = compiledOrNothing("&#0*60;|&#[xX]0*3[cC];");
    return pattern ? &*pattern : nullptr;
}

bool found(const platform::RegularExpression* pattern, std::string_view text) {
    return pattern && pattern->foundIn(text);
}

bool isNameEnd(std::uint8_t byte) { return isWhitespace(byte) || byte == '/' || byte == '=' || byte == '>'; }

std::size_t skipWhitespace(ByteSpan bytes, std::size_t at) {
    while (at < bytes.size() && isWhitespace(bytes[at])) ++at;
    return at;
}

void examineQuotedValue(ByteSpan value, PrologSummary& summary) {
    const auto text = asText(value);
    const bool wellFormed = platform::isValidUTF8(text);
    if (!wellFormed || text.find('<') != std::string_view::npos || found(lessThanReferencePattern(), text))
        summary.declarationHoldsMarkup = true;
    if (!wellFormed || customEntityReferenceCount(text) >= 1 || found(ampersandReferencePattern(), text))
        summary.entityBuiltFromEntities = true;
    summary.longestQuotedValue = std::max(summary.longestQuotedValue, value.size());
}

} // namespace

const platform::RegularExpression* entityReferencePattern() {
    static const auto pattern = compiledOrNothing(R"re(&([^\s&;<>#][^\s&;<>]*);)re");
    return pattern ? &*pattern : nullptr;
}

std::size_t findClosing(std::string_view closing, ByteSpan bytes, std::size_t from, std::string_view subject) {
    const auto at = from <= bytes.size() ? asText(bytes).find(closing, from) : std::string_view::npos;
    if (at == std::string_view::npos) throw CannotStrip(std::string(subject) + " that never closes");
    return at + closing.size();
}

std::size_t customEntityReferenceCount(std::string_view text) {
    const auto* pattern = entityReferencePattern();
    if (!pattern) return 0;
    std::size_t count = 0;
    for (const auto& match : pattern->allMatches(text)) {
        const auto name = match.size() > 1 && match[1] ? *match[1] : std::string_view();
        if (std::find(predefinedEntities.begin(), predefinedEntities.end(), name) == predefinedEntities.end()) ++count;
    }
    return count;
}

PrologSummary scanProlog(ByteSpan bytes) {
    const auto text = asText(bytes);
    for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
        if (startsWith(bytes, at, "<!--")) {
            at = findClosing("-->", bytes, at + 4, "a comment");
        } else if (startsWith(bytes, at, "<?")) {
            at = findClosing("?>", bytes, at + 2, "a processing instruction");
        } else if (startsWith(bytes, at, "<!DOCTYPE")) {
            PrologSummary summary;
            scanDeclaration(bytes, at, summary);
            return summary;
        } else {
            break;
        }
    }
    return {};
}

std::size_t scanDeclaration(ByteSpan bytes, std::size_t start, PrologSummary& summary) {
    constexpr std::string_view neverCloses = "a declaration that never closes";
    if (start + 2 >= bytes.size()) throw CannotStrip(std::string(neverCloses));
    int depth = 0;
    for (std::size_t at = start + 2; at < bytes.size();) {
        if (startsWith(bytes, at, "<!--")) {
            at = findClosing("-->", bytes, at + 4, "a comment in a declaration");
            continue;
        }
        if (startsWith(bytes, at, "<?")) {
            at = findClosing("?>", bytes, at + 2, "a processing instruction in a declaration");
            continue;
        }
        const std::uint8_t byte = bytes[at];
        if (byte == '[') ++depth;
        else if (byte == ']') --depth;
        else if (byte == '>' && depth < 1) return at + 1;
        else if (byte == '%') summary.usesParameterEntities = true;
        else if (byte == '"' || byte == '\'') {
            const auto close = at + 1 < bytes.size() ? asText(bytes).find(static_cast<char>(byte), at + 1) : std::string_view::npos;
            if (close == std::string_view::npos) throw CannotStrip("a quoted value in a declaration that never closes");
            examineQuotedValue(bytes.subspan(at + 1, close - at - 1), summary);
            at = close + 1;
            continue;
        }
        ++at;
    }
    throw CannotStrip(std::string(neverCloses));
}

StartTag parseStartTag(ByteSpan bytes, std::size_t start) {
    std::size_t at = start + 1;
    while (at < bytes.size() && !isNameEnd(bytes[at])) ++at;
    StartTag tag;
    tag.nameBytes = bytes.subspan(std::min(start + 1, bytes.size()), at - std::min(start + 1, at));
    tag.name = std::string(asText(tag.nameBytes));
    if (tag.name.empty() || !platform::isValidUTF8(tag.name)) throw CannotStrip("a tag with no name");

    at = skipWhitespace(bytes, at);
    for (;;) {
        if (at >= bytes.size()) throw CannotStrip("a tag that never closes");
        if (bytes[at] == '/') {
            if (at + 1 >= bytes.size() || bytes[at + 1] != '>') throw CannotStrip("a stray / in a tag");
            tag.selfClosing = true;
            tag.end = at + 2;
            return tag;
        }
        if (bytes[at] == '>') {
            tag.end = at + 1;
            return tag;
        }
        const std::size_t nameStart = at;
        while (at < bytes.size() && !isNameEnd(bytes[at])) ++at;
        if (at == nameStart) throw CannotStrip("an attribute with no name");
        at = skipWhitespace(bytes, at);
        if (at >= bytes.size() || bytes[at] != '=') throw CannotStrip("an attribute with no value");
        at = skipWhitespace(bytes, at + 1);
        if (at >= bytes.size() || (bytes[at] != '"' && bytes[at] != '\'')) throw CannotStrip("an unquoted attribute value");
        const auto close = at + 1 < bytes.size() ? asText(bytes).find(static_cast<char>(bytes[at]), at + 1) : std::string_view::npos;
        if (close == std::string_view::npos) throw CannotStrip("an attribute value that never closes");
        at = skipWhitespace(bytes, close + 1);
    }
}

bool isMetadataName(std::string_view name) {
    const auto colon = name.find(':');
    const bool qualified =
        colon == std::string_view::npos
            ? !name.empty()
            : colon > 0 && colon + 1 < name.size() && name.find(':', colon + 1) == std::string_view::npos;
    if (!qualified) throw CannotStrip("an element name that is not a qualified name");
    return name.substr(colon == std::string_view::npos ? 0 : colon + 1) == "metadata";
}

std::vector<CutRange> scanMetadataRanges(ByteSpan bytes) {
    const auto text = asText(bytes);
    std::vector<SVGOpenElement> open;
    std::vector<CutRange> ranges;
    for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
        if (startsWith(bytes, at, "<!--")) {
            at = findClosing("-->", bytes, at + 4, "a comment");
        } else if (startsWith(bytes, at, "<![CDATA[")) {
            at = findClosing("]]>", bytes, at + 9, "a CDATA section");
        } else if (startsWith(bytes, at, "<?")) {
            at = findClosing("?>", bytes, at + 2, "a processing instruction");
        } else if (startsWith(bytes, at, "<!")) {
            PrologSummary ignored;
            at = scanDeclaration(bytes, at, ignored);
        } else if (startsWith(bytes, at, "</")) {
            const auto end = findClosing(">", bytes, at + 2, "an end tag");
            auto name = text.substr(at + 2, end - 1 - (at + 2));
            while (!name.empty() && isWhitespace(static_cast<std::uint8_t>(name.back()))) name.remove_suffix(1);
            if (open.empty() || asText(open.back().nameBytes) != name) throw CannotStrip("an end tag that matches nothing open");
            if (const auto metadataStart = open.back().metadataStart) ranges.push_back({*metadataStart, end});
            open.pop_back();
            at = end;
        } else {
            const auto tag = parseStartTag(bytes, at);
            const bool metadata = isMetadataName(tag.name);
            if (open.size() >= maximumDepth) throw CannotStrip("elements nested deeper than " + std::to_string(maximumDepth));
            if (tag.selfClosing) {
                if (metadata) ranges.push_back({at, tag.end});
            } else {
                open.push_back({std::vector<std::uint8_t>(tag.nameBytes.begin(), tag.nameBytes.end()),
                                metadata ? std::optional<std::size_t>(at) : std::nullopt});
            }
            at = tag.end;
        }
    }
    if (std::any_of(open.begin(), open.end(), [](const SVGOpenElement& element) { return element.metadataStart.has_value(); }))
        throw CannotStrip("a metadata element that never closes");
    std::stable_sort(ranges.begin(), ranges.end(), [](const CutRange& a, const CutRange& b) { return a.start < b.start; });
    return ranges;
}

} // namespace pictavo::SVGMetadata
