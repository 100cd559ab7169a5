#include "platform/metadata/XMPOrientation.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
namespace {

constexpr std::string_view tiffNamespace = "http://ns.adobe.com/tiff/1.0/";
constexpr std::string_view exifNamespace = "http://ns.adobe.com/exif/1.0/";
constexpr std::string_view rdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':';
}

// Every prefix declared for `uri` anywhere in the text (xmlns:p="uri" or xmlns:p='uri').
std::vector<std::string> prefixesFor(const std::string& text, std::string_view uri) {
    std::vector<std::string> prefixes;
    constexpr std::string_view declaration = "xmlns:";
    for (auto at = text.find(declaration); at != std::string::npos; at = text.find(declaration, at + 1)) {
        std::size_t end = at + declaration.size();
        while (end < text.size() && isNameChar(text[end]) && text[end] != ':') ++end;
        std::string prefix = text.substr(at + declaration.size(), end - at - declaration.size());
        std::size_t value = end;
        while (value < text.size() && isSpace(text[value])) ++value;
        if (value >= text.size() || text[value] != '=') continue;
        ++value;
        while (value < text.size() && isSpace(text[value])) ++value;
        if (value >= text.size() || (text[value] != '"' && text[value] != '\'')) continue;
        const char quote = text[value];
        const auto close = text.find(quote, value + 1);
        if (close == std::string::npos) continue;
        if (std::string_view(text).substr(value + 1, close - value - 1) == uri && !prefix.empty())
            prefixes.push_back(prefix);
    }
    return prefixes;
}

// An orientation as written: a number, perhaps with blanks around it.
bool isOrientationValue(std::string_view value) {
    bool digit = false;
    for (char c : value) {
        if (c >= '0' && c <= '9') digit = true;
        else if (!isSpace(c)) return false;
    }
    return digit;
}

bool declares(const std::string& text, const std::string& prefix) {
    return text.find("xmlns:" + prefix + "=") != std::string::npos ||
           text.find("xmlns:" + prefix + " ") != std::string::npos;
}

// Where the value of one field lies in the text: [begin, end).
struct ValueSpan {
    std::size_t begin;
    std::size_t end;
};

// The value of every occurrence of `name` (prefix:Orientation) in text order, or nothing when
// one of them is not in a form that can be read as written.
std::optional<std::vector<ValueSpan>> fieldValues(const std::string& text, const std::string& name) {
    std::vector<ValueSpan> values;
    for (auto at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const std::size_t after = at + name.size();
        if (after < text.size() && isNameChar(text[after])) continue; // a longer name
        if (at == 0) continue;
        const char before = text[at - 1];
        if (before == '<') {
            // Element form: <p:Orientation ...>6</p:Orientation>
            const auto startEnd = text.find('>', after);
            if (startEnd == std::string::npos || text[startEnd - 1] == '/') return std::nullopt;
            // A start tag broken by another tag ("<p:Orientation<p:Orientation>") would give
            // two occurrences the same value.
            if (text.find('<', after) < startEnd) return std::nullopt;
            // The value is plain text up to its own end tag; anything else is not a value
            // this can read.
            const auto closing = text.find('<', startEnd);
            if (closing == std::string::npos || text.compare(closing, name.size() + 2, "</" + name) != 0)
                return std::nullopt;
            std::size_t tail = closing + name.size() + 2;
            while (tail < text.size() && isSpace(text[tail])) ++tail;
            if (tail >= text.size() || text[tail] != '>') return std::nullopt;
            if (!isOrientationValue(std::string_view(text).substr(startEnd + 1, closing - startEnd - 1)))
                return std::nullopt;
            values.push_back({startEnd + 1, closing});
        } else if (isSpace(before)) {
            // Attribute form: p:Orientation="6"
            std::size_t cursor = after;
            while (cursor < text.size() && isSpace(text[cursor])) ++cursor;
            if (cursor >= text.size() || text[cursor] != '=') continue; // mentioned in text
            ++cursor;
            while (cursor < text.size() && isSpace(text[cursor])) ++cursor;
            if (cursor >= text.size() || (text[cursor] != '"' && text[cursor] != '\'')) return std::nullopt;
            const auto close = text.find(text[cursor], cursor + 1);
            if (close == std::string::npos) return std::nullopt;
            if (!isOrientationValue(std::string_view(text).substr(cursor + 1, close - cursor - 1))) return std::nullopt;
            values.push_back({cursor + 1, close});
        }
    }
    // Rewriting replaces each span in place, from the last one back; that only holds while no
    // two spans share a byte.
    std::sort(values.begin(), values.end(), [](const ValueSpan& a, const ValueSpan& b) { return a.begin < b.begin; });
    for (std::size_t i = 1; i < values.size(); ++i)
        if (values[i].begin < values[i - 1].end) return std::nullopt;
    return values;
}

// Rewrites every occurrence of `name` in place; false when one of them is not in a form that
// can be rewritten. Sets `found` when there was at least one.
bool rewriteAll(std::string& text, const std::string& name, const std::string& value, bool& found) {
    const auto values = fieldValues(text, name);
    if (!values) return false;
    // From the last to the first, so that the spans before each one stay where they were.
    for (auto span = values->rbegin(); span != values->rend(); ++span) {
        text.replace(span->begin, span->end - span->begin, value);
        found = true;
    }
    return true;
}

// The number a field holds, blanks around it allowed; nothing past three digits.
std::optional<int> numberIn(std::string_view value) {
    int number = 0;
    int digits = 0;
    for (char c : value) {
        if (c < '0' || c > '9') continue;
        if (++digits > 3) return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

} // namespace

std::optional<int> xmpOrientation(const XMPPacket& packet) {
    for (const auto& prefix : prefixesFor(packet.text, tiffNamespace)) {
        const auto values = fieldValues(packet.text, prefix + ":Orientation");
        if (!values) continue;
        for (const auto& span : *values) {
            const auto number = numberIn(std::string_view(packet.text).substr(span.begin, span.end - span.begin));
            if (number && *number >= 1 && *number <= 8) return *number;
        }
    }
    return std::nullopt;
}

std::optional<XMPPacket> xmpWithOrientation(const XMPPacket& packet, int orientation) {
    if (orientation < 1 || orientation > 8) return std::nullopt;
    std::string text = packet.text;
    const std::string value = std::to_string(orientation);
    const auto tiffPrefixes = prefixesFor(text, tiffNamespace);
    bool found = false;
    for (const auto& prefix : tiffPrefixes)
        if (!rewriteAll(text, prefix + ":Orientation", value, found)) return std::nullopt;
    if (found) return XMPPacket{std::move(text)};

    auto rdfPrefixes = prefixesFor(text, rdfNamespace);
    if (rdfPrefixes.empty()) return std::nullopt;
    const std::string description = "<" + rdfPrefixes.front() + ":Description";
    std::size_t at = text.find(description);
    while (at != std::string::npos) {
        const std::size_t after = at + description.size();
        if (after < text.size() && (isSpace(text[after]) || text[after] == '>' || text[after] == '/')) break;
        at = text.find(description, at + 1);
    }
    if (at == std::string::npos) return std::nullopt;
    const std::size_t insertAt = at + description.size();

    // The packet's own prefix for the TIFF namespace, else the first free one: a prefix that
    // means something else here, or that already names an Orientation, would make the new
    // field clash with what is there.
    std::string prefix = tiffPrefixes.empty() ? "" : tiffPrefixes.front();
    for (int attempt = 0; prefix.empty() && attempt < 10; ++attempt) {
        std::string candidate = attempt == 0 ? "tiff" : "pictavoTiff" + std::to_string(attempt);
        if (!declares(text, candidate) && text.find(candidate + ":Orientation") == std::string::npos)
            prefix = std::move(candidate);
    }
    if (prefix.empty()) return std::nullopt;
    const auto tagEnd = text.find('>', insertAt);
    const std::string startTag = text.substr(insertAt, tagEnd == std::string::npos ? std::string::npos : tagEnd - insertAt);
    std::string insertion;
    if (!declares(startTag, prefix)) insertion += " xmlns:" + prefix + "=\"" + std::string(tiffNamespace) + "\"";
    insertion += " " + prefix + ":Orientation=\"" + value + "\"";
    text.insert(insertAt, insertion);
    return XMPPacket{std::move(text)};
}

std::optional<XMPPacket> xmpWithPixelDimensions(const XMPPacket& packet, std::int64_t width, std::int64_t height) {
    std::string text = packet.text;
    bool found = false;
    for (const auto& prefix : prefixesFor(text, exifNamespace)) {
        if (!rewriteAll(text, prefix + ":PixelXDimension", std::to_string(width), found) ||
            !rewriteAll(text, prefix + ":PixelYDimension", std::to_string(height), found))
            return std::nullopt;
    }
    return XMPPacket{std::move(text)};
}

} // namespace platform
