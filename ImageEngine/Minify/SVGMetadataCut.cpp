#include "ImageEngine/Minify/SVGMetadataCut.h"

#include "ImageEngine/Minify/SVGMarkupScanner.h"
#include "platform/text/RegularExpression.h"
#include "platform/text/UnicodeText.h"
#include "platform/text/XMLDocument.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pictavo::SVGMetadata {

namespace {

using platform::XMLDocument;
using platform::XMLElement;

constexpr std::size_t expansionCap = 8 * 1'048'576;
constexpr std::string_view svgNamespace = "http://www.w3.org/2000/svg";
constexpr std::string_view standardsHost = "www.w3.org";
constexpr std::array<std::string_view, 5> acceptedEncodings{"utf-8", "utf8", "us-ascii", "ascii", "latin1"};
constexpr std::array<std::string_view, 8> whitespaceSensitiveElements{"text",  "tspan", "textPath", "title",
                                                                      "desc", "style", "script",   "foreignObject"};

const std::map<std::string_view, std::string_view>& knownSVGDTDs() {
    static const std::map<std::string_view, std::string_view> table{
        {"-//W3C//DTD SVG 1.0//EN", "/TR/2001/REC-SVG-20010904/DTD/svg10.dtd"},
        {"-//W3C//DTD SVG 20010904//EN", "/TR/2001/REC-SVG-20010904/DTD/svg10.dtd"},
        {"-//W3C//DTD SVG 1.1//EN", "/Graphics/SVG/1.1/DTD/svg11.dtd"},
        {"-//W3C//DTD SVG 1.1 Basic//EN", "/Graphics/SVG/1.1/DTD/svg11-basic.dtd"},
        {"-//W3C//DTD SVG 1.1 Tiny//EN", "/Graphics/SVG/1.1/DTD/svg11-tiny.dtd"},
    };
    return table;
}

const platform::RegularExpression& encodingDeclarationPattern() {
    static const auto pattern =
        *platform::RegularExpression::compile(R"re(^\x{FEFF}?\s*<\?xml[^>]*?encoding\s*=\s*["']([^"']*)["'])re");
    return pattern;
}

const platform::RegularExpression& markupSkipPattern() {
    static const auto pattern =
        *platform::RegularExpression::compile(R"re((?s)<!--.*?-->|<!\[CDATA\[.*?\]\]>|<\?.*?\?>)re");
    return pattern;
}

bool containsIgnoringCase(std::string_view text, std::string_view lowercaseWord) {
    return platform::asciiLowercased(text).find(lowercaseWord) != std::string::npos;
}

std::optional<std::string> screenInput(std::span<const std::uint8_t> bytes, std::string_view text) {
    if (std::find(bytes.begin(), bytes.end(), 0) != bytes.end()) return "a NUL byte, which no XML holds";
    const auto match = encodingDeclarationPattern().firstMatch(text);
    if (!match || match->size() < 2 || !(*match)[1]) return std::nullopt;
    const std::string name = platform::unicodeLowercased(*(*match)[1]);
    if (std::find(acceptedEncodings.begin(), acceptedEncodings.end(), name) != acceptedEncodings.end() ||
        name.starts_with("iso-8859-") || name.starts_with("windows-125"))
        return std::nullopt;
    return "an encoding this does not read: " + name;
}

std::optional<std::string> firstUnresolvedEntity(std::string_view text, const XMLDocument& document) {
    std::set<std::string> declared;
    for (const auto& entity : document.entityDeclarations()) declared.insert(entity.name);
    const auto* pattern = entityReferencePattern();
    if (!pattern) return std::nullopt;
    const std::string outsideMarkup = markupSkipPattern().replacingAll(text, "");
    for (const auto& match : pattern->allMatches(outsideMarkup)) {
        const std::string name(match.size() > 1 && match[1] ? *match[1] : std::string_view());
        const bool predefined = std::find(predefinedEntities.begin(), predefinedEntities.end(), name) != predefinedEntities.end();
        if (!predefined && !declared.count(name)) return name;
    }
    return std::nullopt;
}

std::optional<std::string> entityReason(const XMLDocument& document, std::string_view text, bool usesParameterEntities) {
    if (!document.hasDocumentType()) return std::nullopt;
    for (const auto& entity : document.entityDeclarations())
        if (entity.external) return "an external entity this does not load";
    if (usesParameterEntities) return "a parameter entity this does not expand";
    if (const auto name = firstUnresolvedEntity(text, document)) return "an entity this does not resolve: &" + *name + ";";
    return std::nullopt;
}

std::optional<std::string> externalDTDReason(const XMLDocument& document) {
    const auto publicID = document.documentTypePublicID();
    const auto systemID = document.documentTypeSystemID();
    if (!document.hasDocumentType() || (!publicID && !systemID)) return std::nullopt;
    if (publicID && systemID) {
        const auto known = knownSVGDTDs().find(*publicID);
        if (known != knownSVGDTDs().end()) {
            const std::string place = std::string(standardsHost) + std::string(known->second);
            if (*systemID == "http://" + place || *systemID == "https://" + place) return std::nullopt;
        }
    }
    return "an external DTD this does not read";
}

bool isCandidate(const XMLElement& element) {
    const auto name = element.namespaceName();
    return name.empty() || name == svgNamespace;
}

std::vector<XMLElement> outermostElements(const std::vector<XMLElement>& elements) {
    std::vector<XMLElement> outermost;
    for (const auto& element : elements) {
        bool inside = false;
        for (auto ancestor = element.parentElement(); ancestor && !inside; ancestor = ancestor->parentElement())
            inside = std::find(elements.begin(), elements.end(), *ancestor) != elements.end();
        if (!inside) outermost.push_back(element);
    }
    return outermost;
}

bool preservesWhitespace(const XMLElement& element, const XMLDocument& document) {
    bool spaceDecided = false;
    for (auto ancestor = element.parentElement(); ancestor; ancestor = ancestor->parentElement()) {
        const auto localName = ancestor->localName();
        if (std::find(whitespaceSensitiveElements.begin(), whitespaceSensitiveElements.end(), localName) !=
            whitespaceSensitiveElements.end())
            return true;
        if (spaceDecided) continue;
        auto space = ancestor->xmlSpace();
        if (!space) space = document.declaredXMLSpaceDefault(ancestor->qualifiedName());
        if (!space) continue;
        if (*space == "preserve") return true;
        spaceDecided = true;
    }
    return false;
}

// Whether anything names an element that would be cut ("#id" in an href, a url() or a
// tref): cutting it would change what the document draws.
bool isReferenced(const std::vector<XMLElement>& cut, std::string_view text) {
    const auto isNameByte = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':' ||
               static_cast<unsigned char>(c) >= 0x80;
    };
    for (const auto& element : cut)
        for (const auto& identifier : element.identifiersWithin()) {
            if (identifier.empty()) continue;
            const std::string reference = "#" + identifier;
            for (auto at = text.find(reference); at != std::string_view::npos; at = text.find(reference, at + 1)) {
                const auto after = at + reference.size();
                if (after == text.size() || !isNameByte(text[after])) return true;
            }
        }
    return false;
}

bool isLineSpace(std::uint8_t byte) { return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n'; }

} // namespace

std::pair<std::size_t, std::size_t> widenToLine(std::size_t start, std::size_t end, std::span<const std::uint8_t> bytes,
                                                std::size_t floor) {
    auto blank = [](std::uint8_t byte) { return byte == ' ' || byte == '\t'; };
    std::size_t a = start;
    while (a > floor && blank(bytes[a - 1])) --a;
    std::size_t z = end;
    while (z < bytes.size() && blank(bytes[z])) ++z;
    const bool startsLine = a == 0 || bytes[a - 1] == '\n' || bytes[a - 1] == '\r';
    std::size_t y = z;
    if (y < bytes.size() && bytes[y] == '\r') ++y;
    if (y < bytes.size() && bytes[y] == '\n') ++y;
    const bool endsLine = y > z || z == bytes.size();
    if (!startsLine || !endsLine) return {start, end};

    std::optional<std::uint8_t> before;
    for (std::size_t i = a; i > 0; --i)
        if (!isLineSpace(bytes[i - 1])) {
            before = bytes[i - 1];
            break;
        }
    std::optional<std::uint8_t> after;
    for (std::size_t i = y; i < bytes.size(); ++i)
        if (!isLineSpace(bytes[i])) {
            after = bytes[i];
            break;
        }
    if ((!before || *before == '>') && (!after || *after == '<')) return {a, y};
    return {start, end};
}

platform::Bytes strip(std::span<const std::uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const platform::Bytes unchanged(bytes.begin(), bytes.end());
    if (!platform::isValidUTF8(text)) throw CannotStrip("not UTF-8 text");
    if (auto reason = screenInput(bytes, text)) throw CannotStrip(*reason);

    const PrologSummary prolog = scanProlog(bytes);
    if (prolog.declarationHoldsMarkup) throw CannotStrip("a declaration holding markup");
    if (prolog.entityBuiltFromEntities) throw CannotStrip("an entity built from entities");
    std::size_t expansion = 0;
    if (__builtin_mul_overflow(prolog.longestQuotedValue, customEntityReferenceCount(text), &expansion) ||
        expansion > expansionCap)
        throw CannotStrip("entities that would expand too far");

    auto reading = XMLDocument::read(bytes);
    if (!reading.document) {
        // libxml2 stops at an entity nothing declares where other parsers keep a reference;
        // either way the document cannot be cut, and the entity is the reason to give.
        if (reading.readPastUndeclaredEntities)
            if (auto reason = entityReason(*reading.readPastUndeclaredEntities, text, prolog.usesParameterEntities))
                throw CannotStrip(*reason);
        if (!containsIgnoringCase(text, "<!doctype") && !containsIgnoringCase(text, "metadata")) return unchanged;
        throw CannotStrip("not XML this can read, and it may hold metadata");
    }
    XMLDocument& reference = *reading.document;
    if (auto reason = entityReason(reference, text, prolog.usesParameterEntities)) throw CannotStrip(*reason);

    const auto elements = reference.elementsWithLocalName("metadata");
    if (elements.empty()) return unchanged;
    if (auto reason = externalDTDReason(reference)) throw CannotStrip(*reason);
    std::vector<XMLElement> candidates;
    std::copy_if(elements.begin(), elements.end(), std::back_inserter(candidates), isCandidate);
    const auto cut = outermostElements(candidates);
    if (cut.empty()) return unchanged;
    if (isReferenced(cut, text)) throw CannotStrip("metadata that the drawing refers to");

    const auto ranges = scanMetadataRanges(bytes);
    if (ranges.size() != elements.size())
        throw CannotStrip("the parser found " + std::to_string(elements.size()) + " and the scan " +
                          std::to_string(ranges.size()));
    const bool widening = !containsIgnoringCase(reference.canonicalText(), "white-space");

    platform::Bytes output;
    output.reserve(bytes.size());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (std::find(cut.begin(), cut.end(), elements[i]) == cut.end()) continue;
        auto [start, end] = std::pair{ranges[i].start, ranges[i].end};
        if (start < kept) throw CannotStrip("the cut changed more than the metadata");
        if (widening && !preservesWhitespace(elements[i], reference)) std::tie(start, end) = widenToLine(start, end, bytes, kept);
        output.insert(output.end(), bytes.begin() + static_cast<std::ptrdiff_t>(kept), bytes.begin() + static_cast<std::ptrdiff_t>(start));
        kept = end;
    }
    output.insert(output.end(), bytes.begin() + static_cast<std::ptrdiff_t>(kept), bytes.end());

    auto reread = XMLDocument::read(output);
    if (!reread.document) throw CannotStrip("the result no longer parses");
    const auto survivors = reread.document->elementsWithLocalName("metadata");
    if (std::any_of(survivors.begin(), survivors.end(), isCandidate)) throw CannotStrip("a metadata element survived");
    for (auto element = cut.rbegin(); element != cut.rend(); ++element) reference.remove(*element);
    if (reference.canonicalText() != reread.document->canonicalText())
        throw CannotStrip("the cut changed more than the metadata");
    return output;
}

} // namespace pictavo::SVGMetadata
