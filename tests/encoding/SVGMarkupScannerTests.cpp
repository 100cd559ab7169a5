#include "ImageEngine/Minify/SVGMarkupScanner.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <string>

using namespace pictavo::SVGMetadata;

namespace {

ByteSpan span(const std::string& text) { return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}; }

std::vector<CutRange> ranges(const std::string& text) { return scanMetadataRanges(span(text)); }

std::string refusal(const std::string& text) {
    const auto error = testing_support::thrown<CannotStrip>([&] { ranges(text); });
    return error ? error->reason() : std::string();
}

std::string cut(const std::string& text, const CutRange& range) { return text.substr(range.start, range.end - range.start); }

TEST(SVGMarkupScanner, EveryMetadataElementGetsItsExactRangeInDocumentOrder) {
    const std::string text = R"~(<?xml version="1.0"?>
<!DOCTYPE svg [ <!ENTITY a "<metadata>"> ]>
<svg><!-- <metadata>x</metadata> --><![CDATA[ <metadata> ]]><?pi <metadata> ?>
<metadata id="a" title='a > b /> c'><rdf:RDF><dc:metadata/></rdf:RDF></metadata >
<g><x:metadata/><metadata
  ></metadata></g></svg>)~";
    const auto found = ranges(text);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(cut(text, found[0]), R"~(<metadata id="a" title='a > b /> c'><rdf:RDF><dc:metadata/></rdf:RDF></metadata >)~");
    EXPECT_EQ(cut(text, found[1]), "<dc:metadata/>");
    EXPECT_EQ(cut(text, found[2]), "<x:metadata/>");
    EXPECT_EQ(cut(text, found[3]), "<metadata\n  ></metadata>");
    // An unclosed group is the parser's business; an unclosed metadata element is not.
    EXPECT_EQ(ranges("<svg><g><metadata/>").size(), 1u);
    EXPECT_EQ(refusal("<svg><metadata><g></g>"), "a metadata element that never closes");
}

TEST(SVGMarkupScanner, TagsAreReadStrictly) {
    EXPECT_EQ(refusal("<svg><rect width=3/></svg>"), "an unquoted attribute value");
    EXPECT_EQ(refusal("<svg><rect hidden/></svg>"), "an attribute with no value");
    EXPECT_EQ(refusal("<svg><rect =\"3\"/></svg>"), "an attribute with no name");
    EXPECT_EQ(refusal("<svg><rect a=\"3/></svg>"), "an attribute value that never closes");
    EXPECT_EQ(refusal("<svg><rect a=\"3\" / ></svg>"), "a stray / in a tag");
    EXPECT_EQ(refusal("<svg><rect a=\"3\""), "a tag that never closes");
    EXPECT_EQ(refusal("<svg>< rect/></svg>"), "a tag with no name");
    EXPECT_EQ(refusal("<svg><\xFF/></svg>"), "a tag with no name");
    EXPECT_EQ(refusal("<svg><a:b:metadata/></svg>"), "an element name that is not a qualified name");
    EXPECT_EQ(refusal("<svg><:metadata/></svg>"), "an element name that is not a qualified name");
    EXPECT_EQ(refusal("<svg><metadata:/></svg>"), "an element name that is not a qualified name");
    EXPECT_EQ(refusal("<svg><metadata></Metadata></svg>"), "an end tag that matches nothing open");
    EXPECT_EQ(refusal("<svg></g>"), "an end tag that matches nothing open");
    EXPECT_EQ(refusal("<svg></svg"), "an end tag that never closes");
    EXPECT_EQ(refusal("<svg><!-- x"), "a comment that never closes");
    EXPECT_EQ(refusal("<svg><![CDATA[ x"), "a CDATA section that never closes");
    EXPECT_EQ(refusal("<svg><?pi x"), "a processing instruction that never closes");
    EXPECT_EQ(refusal("<!DOCTYPE svg [ <!-- x"), "a comment in a declaration that never closes");
    EXPECT_EQ(refusal("<!DOCTYPE svg [ <?pi x"), "a processing instruction in a declaration that never closes");
    EXPECT_EQ(refusal("<!DOCTYPE svg [ <!ENTITY a 'x"), "a quoted value in a declaration that never closes");
    EXPECT_EQ(refusal("<!DOCTYPE svg [ ]"), "a declaration that never closes");
    EXPECT_EQ(refusal("<!"), "a declaration that never closes");
}

TEST(SVGMarkupScanner, NestingIsLimitedTo512OpenElements) {
    std::string deep;
    for (int i = 0; i < 512; ++i) deep += "<g>";
    EXPECT_NO_THROW(ranges(deep));
    EXPECT_EQ(refusal(deep + "<g>"), "elements nested deeper than 512");
    EXPECT_EQ(refusal(deep + "<metadata/>"), "elements nested deeper than 512");
}

TEST(SVGMarkupScanner, ThePrologSummarySaysWhatTheDoctypeDeclares) {
    const auto summary = [](const std::string& text) { return scanProlog(span(text)); };
    EXPECT_EQ(summary("<svg/><!DOCTYPE svg [ <!ENTITY a '<'> ]>"), PrologSummary{});
    EXPECT_EQ(summary("<!doctype svg [ <!ENTITY a '<'> ]><svg/>"), PrologSummary{});
    EXPECT_TRUE(summary("<!DOCTYPE svg [ <!ENTITY a '<b/>'> ]><svg/>").declarationHoldsMarkup);
    EXPECT_TRUE(summary("<!DOCTYPE svg [ <!ENTITY a '&#60;b/>'> ]><svg/>").declarationHoldsMarkup);
    EXPECT_TRUE(summary("<!DOCTYPE svg [ <!ENTITY a '&#x3C;b/>'> ]><svg/>").declarationHoldsMarkup);
    EXPECT_TRUE(summary("<!DOCTYPE svg [ <!ENTITY b 'x'> <!ENTITY a '&b;&b;'> ]><svg/>").entityBuiltFromEntities);
    EXPECT_TRUE(summary("<!DOCTYPE svg [ <!ENTITY a '&#38;b;'> ]><svg/>").entityBuiltFromEntities);
    EXPECT_FALSE(summary("<!DOCTYPE svg [ <!ENTITY a '&amp;&#65;'> ]><svg/>").entityBuiltFromEntities);
    const auto bytes = summary("<?xml version='1.0'?><!-- c --><!DOCTYPE svg [ <!ENTITY % p 'x'> <!ENTITY a \"% [ > ]\"> ]><svg/>");
    EXPECT_TRUE(bytes.usesParameterEntities);
    EXPECT_EQ(bytes.longestQuotedValue, 7u);
    const auto identifiers = summary(R"~(<!DOCTYPE svg PUBLIC "-//W3C//DTD SVG 1.1//EN" "http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd"><svg/>)~");
    EXPECT_EQ(identifiers.longestQuotedValue, 48u);
    EXPECT_FALSE(identifiers.usesParameterEntities);
    EXPECT_EQ(customEntityReferenceCount("&a; &amp; &#38; &b_c; &lt;&d;"), 3u);
}

} // namespace
