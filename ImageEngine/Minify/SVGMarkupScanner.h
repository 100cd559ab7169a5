#pragma once
#include "ImageEngine/Minify/CannotStrip.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class RegularExpression;
}

// The byte scanner behind the SVG metadata cut: it walks the raw bytes of a document, skips
// comments, CDATA sections, processing instructions and declarations, reads start tags
// strictly enough to know where each ends, and finds the exact byte range of every element
// named metadata. It refuses with CannotStrip whatever it does not understand; it never
// repairs. Every operation is a pure function of its input.
namespace pictavo::SVGMetadata {

using ByteSpan = std::span<const std::uint8_t>;

inline constexpr std::size_t maximumDepth = 512;
inline constexpr std::array<std::string_view, 5> predefinedEntities{"lt", "gt", "amp", "quot", "apos"};

// From the "<" of a metadata element's start tag to just past the ">" of its end tag, or of
// its own tag when it closes itself.
struct CutRange {
    std::size_t start = 0;
    std::size_t end = 0;
    friend bool operator==(const CutRange&, const CutRange&) = default;
};

// What the DOCTYPE declares that would make a byte-level cut unsafe.
struct PrologSummary {
    bool usesParameterEntities = false;
    bool declarationHoldsMarkup = false;
    bool entityBuiltFromEntities = false;
    std::size_t longestQuotedValue = 0;
    friend bool operator==(const PrologSummary&, const PrologSummary&) = default;
};

struct StartTag {
    ByteSpan nameBytes;
    std::string name;
    bool selfClosing = false;
    // Just past the tag's ">".
    std::size_t end = 0;
};

struct SVGOpenElement {
    std::vector<std::uint8_t> nameBytes;
    // Where the element's start tag begins, when it is a metadata element.
    std::optional<std::size_t> metadataStart;
};

// "&name;" with the name in group 1; character references never match.
const platform::RegularExpression* entityReferencePattern();

// Just past the first `closing` at or after `from`; fails "<subject> that never closes".
std::size_t findClosing(std::string_view closing, ByteSpan bytes, std::size_t from, std::string_view subject);
// References to entities other than the five predefined ones.
std::size_t customEntityReferenceCount(std::string_view text);
// The DOCTYPE's summary when one comes before the root element; empty otherwise.
PrologSummary scanProlog(ByteSpan bytes);
// Just past the ">" that ends the declaration starting with "<!" at `start`.
std::size_t scanDeclaration(ByteSpan bytes, std::size_t start, PrologSummary& summary);
// Every metadata element's range, sorted by start.
std::vector<CutRange> scanMetadataRanges(ByteSpan bytes);
StartTag parseStartTag(ByteSpan bytes, std::size_t start);
// Whether a qualified name's local part is exactly "metadata"; fails for a name that is not
// a qualified name.
bool isMetadataName(std::string_view name);

} // namespace pictavo::SVGMetadata
