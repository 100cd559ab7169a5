#include "platform/text/XMLDocument.h"

#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/valid.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <limits>

namespace platform {

namespace {

std::string text(const xmlChar* value) { return value ? std::string(reinterpret_cast<const char*>(value)) : std::string(); }

std::optional<std::string> optionalText(const xmlChar* value) {
    if (!value) return std::nullopt;
    return text(value);
}

const xmlChar* chars(const std::string& value) { return reinterpret_cast<const xmlChar*>(value.c_str()); }

// Nothing outside a document is ever read, whoever in the process asks libxml2 for it.
xmlParserInputPtr refuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

void prepareOnce() {
    static const bool prepared = [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(refuseExternalEntity);
        return true;
    }();
    (void)prepared;
}

// The faults that make a text not well-formed; libxml2's lesser errors (an unbound prefix)
// leave it a document, as they leave other parsers.
struct FatalErrors {
    int all = 0;
    int undeclaredEntities = 0;
};

void collectError(void* userData, xmlErrorPtr error) {
    auto* context = static_cast<xmlParserCtxtPtr>(userData);
    auto* log = static_cast<FatalErrors*>(context->_private);
    if (!log || !error || error->level != XML_ERR_FATAL) return;
    ++log->all;
    if (error->code == XML_ERR_UNDECLARED_ENTITY) ++log->undeclaredEntities;
}

bool isXMLWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string escaped(const std::string& value) {
    std::string result;
    for (char c : value) {
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '"': result += "&quot;"; break;
        default: result += c;
        }
    }
    return result;
}

std::string qualified(const xmlNode* node) {
    if (node->ns && node->ns->prefix) return text(node->ns->prefix) + ":" + text(node->name);
    return text(node->name);
}

class CanonicalWriter {
public:
    explicit CanonicalWriter(xmlDocPtr document) : document_(document) {}

    void children(const xmlNode* first) {
        std::string run;
        auto flush = [&] {
            if (!std::all_of(run.begin(), run.end(), isXMLWhitespace)) out += escaped(run);
            run.clear();
        };
        for (const xmlNode* node = first; node; node = node->next) {
            if (node->type == XML_TEXT_NODE) {
                run += text(node->content);
                continue;
            }
            flush();
            write(node);
        }
        flush();
    }

    std::string out;

private:
    void write(const xmlNode* node) {
        switch (node->type) {
        case XML_ELEMENT_NODE: element(node); break;
        case XML_CDATA_SECTION_NODE: out += "<![CDATA[" + text(node->content) + "]]>"; break;
        case XML_ENTITY_REF_NODE: out += "&" + text(node->name) + ";"; break;
        case XML_COMMENT_NODE: out += "<!--" + text(node->content) + "-->"; break;
        case XML_PI_NODE: out += "<?" + text(node->name) + " " + text(node->content) + "?>"; break;
        case XML_DTD_NODE: documentType(reinterpret_cast<const xmlDtd*>(node)); break;
        default: out += "<?node " + std::to_string(static_cast<int>(node->type)) + "?>"; break;
        }
    }

    void element(const xmlNode* node) {
        out += "<" + qualified(node);
        for (const xmlNs* ns = node->nsDef; ns; ns = ns->next)
            out += (ns->prefix ? " xmlns:" + text(ns->prefix) : std::string(" xmlns")) + "=\"" + escaped(text(ns->href)) + "\"";
        for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
            xmlChar* value = xmlNodeListGetString(document_, attribute->children, 0);
            const std::string name = attribute->ns && attribute->ns->prefix
                                         ? text(attribute->ns->prefix) + ":" + text(attribute->name)
                                         : text(attribute->name);
            out += " " + name + "=\"" + escaped(text(value)) + "\"";
            xmlFree(value);
        }
        out += ">";
        children(node->children);
        out += "</" + qualified(node) + ">";
    }

    void documentType(const xmlDtd* dtd) {
        out += "<!DOCTYPE " + text(dtd->name) + " [" + text(dtd->ExternalID) + "] [" + text(dtd->SystemID) + "]";
        for (const xmlNode* child = dtd->children; child; child = child->next) {
            if (child->type == XML_ENTITY_DECL) {
                const auto* entity = reinterpret_cast<const xmlEntity*>(child);
                out += " <!ENTITY " + std::to_string(static_cast<int>(entity->etype)) + " " + text(entity->name) + " [" +
                       text(entity->content) + "] [" + text(entity->ExternalID) + "] [" + text(entity->SystemID) + "]>";
            } else if (child->type == XML_ATTRIBUTE_DECL) {
                const auto* attribute = reinterpret_cast<const xmlAttribute*>(child);
                out += " <!ATTLIST " + text(attribute->elem) + " " + text(attribute->prefix) + ":" +
                       text(attribute->name) + " [" + text(attribute->defaultValue) + "]>";
            } else {
                out += " <!" + std::to_string(static_cast<int>(child->type)) + " " + text(child->name) + ">";
            }
        }
        out += ">";
    }

    xmlDocPtr document_;
};

void collectElements(xmlNode* first, std::string_view localName, std::vector<xmlNode*>& found) {
    for (xmlNode* node = first; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        if (text(node->name) == localName) found.push_back(node);
        collectElements(node->children, localName, found);
    }
}

} // namespace

std::string XMLElement::localName() const { return text(node_->name); }

std::string XMLElement::qualifiedName() const { return qualified(node_); }

std::string XMLElement::namespaceName() const { return node_->ns ? text(node_->ns->href) : std::string(); }

std::optional<XMLElement> XMLElement::parentElement() const {
    if (!node_->parent || node_->parent->type != XML_ELEMENT_NODE) return std::nullopt;
    return XMLElement(node_->parent);
}

std::optional<std::string> XMLElement::xmlSpace() const {
    xmlChar* value = xmlGetNsProp(node_, reinterpret_cast<const xmlChar*>("space"), XML_XML_NAMESPACE);
    if (!value) return std::nullopt;
    std::string result = text(value);
    xmlFree(value);
    return result;
}

std::vector<std::string> XMLElement::identifiersWithin() const {
    std::vector<std::string> identifiers;
    auto collect = [&](auto& self, xmlNode* node) -> void {
        for (xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
            if (text(attribute->name) != "id") continue;
            const bool plain = !attribute->ns;
            const bool xmlID = attribute->ns && text(attribute->ns->href) == reinterpret_cast<const char*>(XML_XML_NAMESPACE);
            if (!plain && !xmlID) continue;
            xmlChar* value = xmlNodeListGetString(node->doc, attribute->children, 1);
            if (value) identifiers.push_back(text(value));
            xmlFree(value);
        }
        for (xmlNode* child = node->children; child; child = child->next)
            if (child->type == XML_ELEMENT_NODE) self(self, child);
    };
    collect(collect, node_);
    return identifiers;
}

void XMLDocument::Free::operator()(_xmlDoc* document) const { xmlFreeDoc(document); }

XMLReading XMLDocument::read(std::span<const std::uint8_t> bytes) {
    prepareOnce();
    XMLReading reading;
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return reading;
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context) return reading;
    FatalErrors log;
    context->_private = &log;
    context->sax->serror = collectError;
    // Recovery only carries the reading past a fault so that the faults can be counted; a
    // document with any fault other than an undeclared entity is never used.
    xmlDocPtr document = xmlCtxtReadMemory(context, reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<int>(bytes.size()), nullptr, nullptr,
                                           XML_PARSE_NONET | XML_PARSE_RECOVER | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const bool wellFormed = context->wellFormed != 0 && log.all == 0;
    xmlFreeParserCtxt(context);
    if (!document) return reading;
    if (wellFormed) reading.document = XMLDocument(document);
    else if (log.all > 0 && log.all == log.undeclaredEntities) reading.readPastUndeclaredEntities = XMLDocument(document);
    else xmlFreeDoc(document);
    return reading;
}

bool XMLDocument::hasDocumentType() const { return document_->intSubset != nullptr; }

std::optional<std::string> XMLDocument::documentTypePublicID() const {
    return document_->intSubset ? optionalText(document_->intSubset->ExternalID) : std::nullopt;
}

std::optional<std::string> XMLDocument::documentTypeSystemID() const {
    return document_->intSubset ? optionalText(document_->intSubset->SystemID) : std::nullopt;
}

std::vector<XMLEntityDeclaration> XMLDocument::entityDeclarations() const {
    std::vector<XMLEntityDeclaration> declarations;
    if (!document_->intSubset) return declarations;
    for (const xmlNode* child = document_->intSubset->children; child; child = child->next) {
        if (child->type != XML_ENTITY_DECL) continue;
        const auto* entity = reinterpret_cast<const xmlEntity*>(child);
        declarations.push_back({text(entity->name), entity->ExternalID != nullptr || entity->SystemID != nullptr});
    }
    return declarations;
}

std::optional<std::string> XMLDocument::declaredXMLSpaceDefault(std::string_view qualifiedElementName) const {
    if (!document_->intSubset) return std::nullopt;
    const std::string element(qualifiedElementName);
    const xmlAttribute* declaration = xmlGetDtdQAttrDesc(document_->intSubset, chars(element),
                                                         reinterpret_cast<const xmlChar*>("space"),
                                                         reinterpret_cast<const xmlChar*>("xml"));
    if (!declaration) return std::nullopt;
    return optionalText(declaration->defaultValue);
}

std::vector<XMLElement> XMLDocument::elementsWithLocalName(std::string_view localName) const {
    std::vector<xmlNode*> nodes;
    collectElements(document_->children, localName, nodes);
    std::vector<XMLElement> elements;
    for (auto* node : nodes) elements.push_back(XMLElement(node));
    return elements;
}

void XMLDocument::remove(XMLElement element) {
    xmlUnlinkNode(element.node_);
    xmlFreeNode(element.node_);
}

std::string XMLDocument::canonicalText() const {
    CanonicalWriter writer(document_.get());
    writer.children(document_->children);
    return std::move(writer.out);
}

} // namespace platform
