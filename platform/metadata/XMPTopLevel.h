#pragma once
#include "platform/base/Outcome.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace platform {

// One property of the packet's own resource as the text holds it: an attribute or a child
// element of an rdf:Description that is itself a child of rdf:RDF. Properties inside
// structures, lists or nested descriptions describe something else (a placed document, a
// history entry) and are never one of these.
struct XMPTopLevelField {
    enum class Form { attribute, element, emptyElement };
    Form form;
    std::string name; // as written: prefix:Local
    // The value: between an attribute's quotes, or between an element's tags; for an empty
    // element, its closing "/>".
    std::size_t valueBegin;
    std::size_t valueEnd;
    // The whole attribute (from its name to its closing quote) or the whole element.
    std::size_t wholeBegin;
    std::size_t wholeEnd;
};

struct XMPTopLevel {
    // The fields of the property asked for, in text order.
    std::vector<XMPTopLevelField> fields;
    // Where an attribute can go into the first top-level description: right after its name.
    std::optional<std::size_t> firstDescription;
    // A prefix bound to the property's namespace where the first top-level description
    // stands (its own declarations included): an attribute added there may use it as it is.
    std::optional<std::string> prefixAtFirstDescription;
    // The prefixes a declaration added to the first top-level description must not take:
    // those bound where it stands, whatever to, and those used anywhere without a binding.
    std::unordered_set<std::string> prefixesTaken;
};

// The packet's top-level fields of the property `local` in the namespace `uri` (of every
// property in it when `local` is empty), read as an XML reader reads names: each prefix by the binding in scope where it is used (the default
// namespace for an element without one), never by a declaration's text found elsewhere, nor
// inside an attribute's value. Fails, saying why, only when the text is not XML (an unclosed
// tag or comment, tags that do not match, a namespace name that is not characters).
Outcome<XMPTopLevel> xmpTopLevel(const std::string& text, std::string_view uri, std::string_view local);

// The characters a value's text stands for, as an XML reader reads them: character references
// ("&#54;", "&#x36;") and the five named entities decoded. Nothing when a reference is not one.
std::optional<std::string> xmlCharacters(std::string_view value);

// The text with each field's value replaced by `value` (an empty element gains one), from
// the last to the first, so that every other byte stays where it was.
std::string xmpWithFieldsSet(std::string text, const std::vector<XMPTopLevelField>& fields, const std::string& value);

// The text without the fields, each with the blanks before it, from the last to the first.
std::string xmpWithFieldsRemoved(std::string text, const std::vector<XMPTopLevelField>& fields);

} // namespace platform
