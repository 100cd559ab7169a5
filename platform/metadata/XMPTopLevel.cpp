#include "platform/metadata/XMPTopLevel.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace platform {
namespace {

constexpr std::string_view rdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr std::string_view xmlNamespace = "http://www.w3.org/XML/1998/namespace";

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

// A prefix's binding as an element's declarations found it, to be put back when it closes.
struct Shadowed {
    std::string prefix;
    std::optional<std::string> uri;
};

// An element open at the cursor, with what it is to the resource.
struct Open {
    std::string name;
    enum class Role { other, rdf, topDescription, field } role;
    std::size_t wholeBegin;
    std::size_t contentBegin;
    std::vector<Shadowed> shadowed;
};

// One attribute of a start tag: its name and the bytes between its quotes.
struct Attribute {
    std::size_t nameBegin;
    std::size_t nameEnd;
    std::size_t valueBegin;
    std::size_t valueEnd;
};

class Scanner {
public:
    Scanner(const std::string& text, std::string_view uri, std::string_view local)
        : text_(text), uri_(uri), local_(local) {
        bound_.emplace("xml", xmlNamespace);
    }

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
        found_.prefixesTaken.merge(unbound_);
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

    std::string_view slice(std::size_t begin, std::size_t end) const {
        return std::string_view(text_).substr(begin, end - begin);
    }

    Open::Role parentRole() const { return open_.empty() ? Open::Role::other : open_.back().role; }

    // The namespace a name is in where it stands: by its prefix's binding, or for an element
    // without a prefix, the default namespace; nothing for a prefix bound to none, which is
    // then no free prefix either.
    std::optional<std::string_view> namespaceOf(std::string_view name, bool element) {
        const auto colon = name.find(':');
        const std::string prefix(colon == std::string_view::npos ? std::string_view() : name.substr(0, colon));
        if (prefix.empty() && !element) return std::nullopt;
        const auto binding = bound_.find(prefix);
        if (binding != bound_.end() && !binding->second.empty()) return binding->second;
        if (!prefix.empty()) unbound_.insert(prefix);
        return std::nullopt;
    }

    bool asked(std::string_view local) const { return local_.empty() || local == local_; }

    static std::string_view localPart(std::string_view name) {
        const auto colon = name.find(':');
        return colon == std::string_view::npos ? name : name.substr(colon + 1);
    }

    // Binds the tag's declarations ("xmlns" and "xmlns:prefix"), keeping what each shadows.
    bool declare(Open& element) {
        for (const Attribute& attribute : attributes_) {
            const std::string_view name = slice(attribute.nameBegin, attribute.nameEnd);
            if (name != "xmlns" && !name.starts_with("xmlns:")) continue;
            auto uri = xmlCharacters(slice(attribute.valueBegin, attribute.valueEnd));
            if (!uri) return false;
            std::string prefix(name.substr(name == "xmlns" ? name.size() : 6));
            // "xmlns:" alone, or a prefix with a colon in it, declares nothing any name could use.
            if (prefix.find(':') != std::string::npos || (prefix.empty() && name != "xmlns")) continue;
            auto binding = bound_.find(prefix);
            if (binding == bound_.end()) {
                element.shadowed.push_back({prefix, std::nullopt});
                bound_.emplace(std::move(prefix), std::move(*uri));
            } else {
                element.shadowed.push_back({prefix, std::move(binding->second)});
                binding->second = std::move(*uri);
            }
        }
        return true;
    }

    void undeclare(Open& element) {
        for (auto restored = element.shadowed.rbegin(); restored != element.shadowed.rend(); ++restored) {
            if (restored->uri) bound_[restored->prefix] = std::move(*restored->uri);
            else bound_.erase(restored->prefix);
        }
    }

    // What a declaration added to the first top-level description has to know of the
    // bindings where it stands.
    void noteFirstDescription(std::size_t nameEnd) {
        found_.firstDescription = nameEnd;
        for (const auto& [prefix, uri] : bound_) {
            if (prefix.empty()) continue;
            found_.prefixesTaken.insert(prefix);
            if (uri == uri_ && (!found_.prefixAtFirstDescription || prefix < *found_.prefixAtFirstDescription))
                found_.prefixAtFirstDescription = prefix;
        }
        found_.prefixesTaken.insert("xmlns");
    }

    bool endTag(std::size_t& at) {
        std::size_t cursor = at + 2;
        const std::size_t nameBegin = cursor;
        while (cursor < text_.size() && isNameChar(text_[cursor])) ++cursor;
        const std::string_view name = slice(nameBegin, cursor);
        while (cursor < text_.size() && isSpace(text_[cursor])) ++cursor;
        if (cursor >= text_.size() || text_[cursor] != '>' || open_.empty() || open_.back().name != name) return false;
        Open closed = std::move(open_.back());
        open_.pop_back();
        undeclare(closed);
        if (closed.role == Open::Role::field)
            found_.fields.push_back({XMPTopLevelField::Form::element, closed.name, closed.contentBegin, at,
                                     closed.wholeBegin, cursor + 1});
        at = cursor + 1;
        return true;
    }

    // The tag's attributes, up to its '>' or "/>", where the cursor is left.
    bool readAttributes(std::size_t& cursor) {
        attributes_.clear();
        for (;;) {
            const std::size_t blanks = cursor;
            while (cursor < text_.size() && isSpace(text_[cursor])) ++cursor;
            if (cursor >= text_.size()) return false;
            if (text_[cursor] == '>' || text_.compare(cursor, 2, "/>") == 0) return true;
            if (cursor == blanks) return false; // attributes are set apart by blanks
            const std::size_t nameBegin = cursor;
            while (cursor < text_.size() && isNameChar(text_[cursor])) ++cursor;
            if (cursor == nameBegin) return false;
            const std::size_t nameEnd = cursor;
            while (cursor < text_.size() && isSpace(text_[cursor])) ++cursor;
            if (cursor >= text_.size() || text_[cursor] != '=') return false;
            ++cursor;
            while (cursor < text_.size() && isSpace(text_[cursor])) ++cursor;
            if (cursor >= text_.size() || (text_[cursor] != '"' && text_[cursor] != '\'')) return false;
            const auto close = text_.find(text_[cursor], cursor + 1);
            if (close == std::string::npos || slice(cursor + 1, close).find('<') != std::string_view::npos)
                return false;
            attributes_.push_back({nameBegin, nameEnd, cursor + 1, close});
            cursor = close + 1;
        }
    }

    bool startTag(std::size_t& at) {
        std::size_t cursor = at + 1;
        const std::size_t nameBegin = cursor;
        while (cursor < text_.size() && isNameChar(text_[cursor])) ++cursor;
        if (cursor == nameBegin) return false;
        const std::size_t nameEnd = cursor;
        if (!readAttributes(cursor)) return false;

        // Declarations hold for the whole tag, wherever among its attributes they stand.
        Open element{std::string(slice(nameBegin, nameEnd)), Open::Role::other, at, 0, {}};
        if (!declare(element)) return false;
        const auto space = namespaceOf(element.name, true);
        const std::string_view local = localPart(element.name);
        if (space == rdfNamespace && local == "RDF") element.role = Open::Role::rdf;
        else if (parentRole() == Open::Role::rdf && space == rdfNamespace && local == "Description")
            element.role = Open::Role::topDescription;
        else if (parentRole() == Open::Role::topDescription && space == uri_ && asked(local))
            element.role = Open::Role::field;
        if (element.role == Open::Role::topDescription && !found_.firstDescription) noteFirstDescription(nameEnd);

        for (const Attribute& attribute : attributes_) {
            const std::string_view attributeName = slice(attribute.nameBegin, attribute.nameEnd);
            if (attributeName == "xmlns" || attributeName.starts_with("xmlns:")) continue;
            const auto attributeSpace = namespaceOf(attributeName, false);
            if (element.role == Open::Role::topDescription && attributeSpace == uri_ && asked(localPart(attributeName)))
                found_.fields.push_back({XMPTopLevelField::Form::attribute, std::string(attributeName),
                                         attribute.valueBegin, attribute.valueEnd, attribute.nameBegin,
                                         attribute.valueEnd + 1});
        }

        if (text_[cursor] == '/') {
            undeclare(element);
            if (element.role == Open::Role::field)
                found_.fields.push_back(
                    {XMPTopLevelField::Form::emptyElement, element.name, cursor, cursor + 2, at, cursor + 2});
            at = cursor + 2;
            return true;
        }
        element.contentBegin = cursor + 1;
        open_.push_back(std::move(element));
        at = cursor + 1;
        return true;
    }

    const std::string& text_;
    const std::string_view uri_;
    const std::string_view local_;
    // Every prefix in scope at the cursor ("" the default namespace); a set, as a packet may
    // declare thousands of prefixes, each looked up at every name.
    std::unordered_map<std::string, std::string> bound_;
    std::unordered_set<std::string> unbound_;
    std::vector<Attribute> attributes_;
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

Outcome<XMPTopLevel> xmpTopLevel(const std::string& text, std::string_view uri, std::string_view local) {
    return Scanner(text, uri, local).scan();
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
