#include "platform/metadata/XMPTopLevel.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <unordered_set>
#include <utility>

namespace platform {
namespace {

constexpr std::string_view rdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

// An element open at the cursor, with what it is to the resource.
struct Open {
    std::string name;
    enum class Role { other, rdf, topDescription, field } role;
    std::size_t wholeBegin;
    std::size_t contentBegin;
};

class Scanner {
public:
    Scanner(const std::string& text, const std::vector<std::string>& names)
        : text_(text), names_(names.begin(), names.end()), rdfNames_(namesIn(text, "RDF")),
          descriptionNames_(namesIn(text, "Description")) {}

    Outcome<XMPTopLevel> scan() {
        std::size_t at = 0;
        while ((at = text_.find('<', at)) != std::string::npos) {
            if (text_.compare(at, 4, "<!--") == 0) {
                if (!skipPast(at, "-->")) return notXML("an unclosed comment", at);
            } else if (text_.compare(at, 9, "<![CDATA[") == 0) {
                if (!skipPast(at, "]]>")) return notXML("an unclosed CDATA section", at);
            } else if (text_.compare(at, 2, "<?") == 0) {
                if (!skipPast(at, "?>")) return notXML("an unclosed processing instruction", at);
            } else if (text_.compare(at, 2, "<!") == 0) {
                if (!skipPast(at, ">")) return notXML("an unclosed declaration", at);
            } else if (text_.compare(at, 2, "</") == 0) {
                if (!endTag(at)) return notXML("an end tag that closes no open element", at);
            } else if (!startTag(at)) {
                return notXML("a tag that cannot be read", at);
            }
        }
        if (!open_.empty()) return notXML("<" + open_.back().name + "> never closed", open_.back().wholeBegin);
        return std::move(found_);
    }

private:
    static Outcome<XMPTopLevel> notXML(const std::string& why, std::size_t at) {
        return Outcome<XMPTopLevel>::failure("the XMP packet is not XML: " + why + " at byte " + std::to_string(at));
    }

    bool skipPast(std::size_t& at, std::string_view end) {
        const auto found = text_.find(end, at + 1);
        if (found == std::string::npos) return false;
        at = found + end.size();
        return true;
    }

    // A set: a packet may declare thousands of prefixes, each looked for at every tag.
    using Names = std::unordered_set<std::string>;

    static Names namesIn(const std::string& text, std::string_view local) {
        const auto names = xmpNamesIn(text, rdfNamespace, local);
        return Names(names.begin(), names.end());
    }

    static bool isOneOf(const std::string& name, const Names& among) { return among.count(name) > 0; }

    Open::Role parentRole() const { return open_.empty() ? Open::Role::other : open_.back().role; }

    bool endTag(std::size_t& at) {
        std::size_t cursor = at + 2;
        const std::size_t nameBegin = cursor;
        while (cursor < text_.size() && isNameChar(text_[cursor])) ++cursor;
        const std::string name = text_.substr(nameBegin, cursor - nameBegin);
        while (cursor < text_.size() && isSpace(text_[cursor])) ++cursor;
        if (cursor >= text_.size() || text_[cursor] != '>' || open_.empty() || open_.back().name != name) return false;
        const Open closed = open_.back();
        open_.pop_back();
        if (closed.role == Open::Role::field)
            found_.fields.push_back({XMPTopLevelField::Form::element, name, closed.contentBegin, at, closed.wholeBegin,
                                     cursor + 1});
        at = cursor + 1;
        return true;
    }

    bool startTag(std::size_t& at) {
        std::size_t cursor = at + 1;
        const std::size_t nameBegin = cursor;
        while (cursor < text_.size() && isNameChar(text_[cursor])) ++cursor;
        if (cursor == nameBegin) return false;
        const std::string name = text_.substr(nameBegin, cursor - nameBegin);
        const std::size_t nameEnd = cursor;

        Open::Role role = Open::Role::other;
        if (isOneOf(name, rdfNames_)) role = Open::Role::rdf;
        else if (parentRole() == Open::Role::rdf && isOneOf(name, descriptionNames_)) role = Open::Role::topDescription;
        else if (parentRole() == Open::Role::topDescription && isOneOf(name, names_)) role = Open::Role::field;
        if (role == Open::Role::topDescription && !found_.firstDescription) found_.firstDescription = nameEnd;

        for (;;) {
            const std::size_t blanks = cursor;
            while (cursor < text_.size() && isSpace(text_[cursor])) ++cursor;
            if (cursor >= text_.size()) return false;
            if (text_[cursor] == '>' || text_.compare(cursor, 2, "/>") == 0) break;
            if (cursor == blanks) return false; // attributes are set apart by blanks
            const std::size_t attributeBegin = cursor;
            while (cursor < text_.size() && isNameChar(text_[cursor])) ++cursor;
            if (cursor == attributeBegin) return false;
            const std::string attribute = text_.substr(attributeBegin, cursor - attributeBegin);
            while (cursor < text_.size() && isSpace(text_[cursor])) ++cursor;
            if (cursor >= text_.size() || text_[cursor] != '=') return false;
            ++cursor;
            while (cursor < text_.size() && isSpace(text_[cursor])) ++cursor;
            if (cursor >= text_.size() || (text_[cursor] != '"' && text_[cursor] != '\'')) return false;
            const auto close = text_.find(text_[cursor], cursor + 1);
            if (close == std::string::npos ||
                std::string_view(text_).substr(cursor + 1, close - cursor - 1).find('<') != std::string_view::npos)
                return false;
            if (role == Open::Role::topDescription && isOneOf(attribute, names_))
                found_.fields.push_back(
                    {XMPTopLevelField::Form::attribute, attribute, cursor + 1, close, attributeBegin, close + 1});
            cursor = close + 1;
        }

        if (text_[cursor] == '/') {
            if (role == Open::Role::field)
                found_.fields.push_back(
                    {XMPTopLevelField::Form::emptyElement, name, cursor, cursor + 2, at, cursor + 2});
            at = cursor + 2;
            return true;
        }
        open_.push_back({name, role, at, cursor + 1});
        at = cursor + 1;
        return true;
    }

    const std::string& text_;
    const Names names_;
    const Names rdfNames_;
    const Names descriptionNames_;
    std::vector<Open> open_;
    XMPTopLevel found_;
};

} // namespace

std::optional<std::string> xmlCharacters(std::string_view value) {
    static constexpr std::pair<std::string_view, char> named[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    std::string characters;
    for (std::size_t at = 0; at < value.size(); ++at) {
        if (value[at] != '&') {
            characters += value[at];
            continue;
        }
        const auto end = value.find(';', at);
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view name = value.substr(at + 1, end - at - 1);
        at = end;
        if (!name.starts_with('#')) {
            const auto* entity = std::find_if(std::begin(named), std::end(named),
                                              [&](const auto& entry) { return entry.first == name; });
            if (entity == std::end(named)) return std::nullopt;
            characters += entity->second;
            continue;
        }
        const bool hex = name.size() > 1 && name[1] == 'x';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        std::uint32_t code = 0;
        if (digits.empty() || digits.size() > 8) return std::nullopt;
        for (char c : digits) {
            int digit = c >= '0' && c <= '9' ? c - '0' : -1;
            if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0) return std::nullopt;
            code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        }
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
        // As UTF-8, the packet's encoding.
        if (code < 0x80) {
            characters += static_cast<char>(code);
        } else if (code < 0x800) {
            characters += static_cast<char>(0xC0 | code >> 6);
            characters += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            characters += static_cast<char>(0xE0 | code >> 12);
            characters += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            characters += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            characters += static_cast<char>(0xF0 | code >> 18);
            characters += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            characters += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            characters += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return characters;
}

Outcome<XMPTopLevel> xmpTopLevel(const std::string& text, const std::vector<std::string>& names) {
    return Scanner(text, names).scan();
}

std::vector<std::string> xmpNamesIn(const std::string& text, std::string_view uri, std::string_view local) {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
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
        if (xmlCharacters(std::string_view(text).substr(value + 1, close - value - 1)) == uri && !prefix.empty()) {
            std::string name = prefix + ":" + std::string(local);
            if (seen.insert(name).second) names.push_back(std::move(name));
        }
    }
    return names;
}

std::string xmpWithFieldsSet(std::string text, const std::vector<XMPTopLevelField>& fields, const std::string& value) {
    for (auto field = fields.rbegin(); field != fields.rend(); ++field) {
        const std::string replacement = field->form == XMPTopLevelField::Form::emptyElement
                                            ? ">" + value + "</" + field->name + ">"
                                            : value;
        text.replace(field->valueBegin, field->valueEnd - field->valueBegin, replacement);
    }
    return text;
}

std::string xmpWithFieldsRemoved(std::string text, const std::vector<XMPTopLevelField>& fields) {
    for (auto field = fields.rbegin(); field != fields.rend(); ++field) {
        std::size_t begin = field->wholeBegin;
        while (begin > 0 && isSpace(text[begin - 1])) --begin;
        text.erase(begin, field->wholeEnd - begin);
    }
    return text;
}

} // namespace platform
