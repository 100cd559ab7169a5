#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace platform {

// One element of an XMLDocument; valid while its document lives and the element is in it.
class XMLElement {
public:
    std::string localName() const;
    // With its prefix, as written: "svg:text".
    std::string qualifiedName() const;
    // The namespace name; empty when the element is in no namespace.
    std::string namespaceName() const;
    // Nothing when the parent is the document itself.
    std::optional<XMLElement> parentElement() const;
    // The element's own xml:space attribute, if it has one.
    std::optional<std::string> xmlSpace() const;
    // The id and xml:id values of the element and of every element inside it.
    std::vector<std::string> identifiersWithin() const;

    friend bool operator==(const XMLElement&, const XMLElement&) = default;

private:
    friend class XMLDocument;
    explicit XMLElement(_xmlNode* node) : node_(node) {}
    _xmlNode* node_;
};

struct XMLEntityDeclaration {
    std::string name;
    // Declared with a public or a system identifier: its text lives outside the document.
    bool external = false;
};

struct XMLReading;

// A document read with libxml2 without ever loading anything from outside it: no network,
// no external DTD or entity, no XInclude, entities kept as references (never expanded), and
// libxml2's size limits kept. Documents are independent, so threads may each read their own.
class XMLDocument {
public:
    static XMLReading read(std::span<const std::uint8_t> bytes);

    XMLDocument(XMLDocument&&) noexcept = default;
    XMLDocument& operator=(XMLDocument&&) noexcept = default;

    // Whether the document has a DOCTYPE.
    bool hasDocumentType() const;
    std::optional<std::string> documentTypePublicID() const;
    std::optional<std::string> documentTypeSystemID() const;
    // The entity declarations of the internal subset, in order, parameter entities too.
    std::vector<XMLEntityDeclaration> entityDeclarations() const;
    // The default the DOCTYPE declares for xml:space on elements of this qualified name.
    std::optional<std::string> declaredXMLSpaceDefault(std::string_view qualifiedElementName) const;

    // Every element of that local name, in any namespace, in document order.
    std::vector<XMLElement> elementsWithLocalName(std::string_view localName) const;
    // Takes the element and everything in it out of the document; handles to them die.
    void remove(XMLElement element);

    // The document written in one fixed form that ignores what libxml2 keeps and other
    // parsers drop: text that is only XML white space between elements. Two documents
    // that differ only in such text give the same form.
    std::string canonicalText() const;

private:
    struct Free {
        void operator()(_xmlDoc* document) const;
    };
    explicit XMLDocument(_xmlDoc* document) : document_(document) {}
    std::unique_ptr<_xmlDoc, Free> document_;
};

struct XMLReading {
    // The document when the bytes are well-formed XML.
    std::optional<XMLDocument> document;
    // When the only faults are references to entities that nothing declares: the document
    // read past them, so that the caller can say which entity it was.
    std::optional<XMLDocument> readPastUndeclaredEntities;
};

} // namespace platform
