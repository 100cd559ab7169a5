#include "ImageEngine/Minify/SVGMetadataCut.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <string>

using namespace pictavo::SVGMetadata;

namespace {

std::string stripped(const std::string& text) {
    const auto out = strip({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    return std::string(out.begin(), out.end());
}

std::string refusal(const std::string& text) {
    const auto error = testing_support::thrown<CannotStrip>([&] { stripped(text); });
    return error ? error->reason() : std::string();
}

const std::string open = R"~(<svg xmlns="http://www.w3.org/2000/svg" xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">)~";
const std::string rdf = R"~(<metadata><rdf:RDF><rdf:Description about="x"/></rdf:RDF></metadata>)~";

TEST(SVGMetadataCut, AnElementAloneOnItsLinesGoesWithItsIndentationAndLineBreak) {
    EXPECT_EQ(stripped(open + "\n  <g>\n    " + rdf + "\n    <rect/>\n  </g>\n</svg>\n"),
              open + "\n  <g>\n    <rect/>\n  </g>\n</svg>\n");
    EXPECT_EQ(stripped(open + "\r\n  " + rdf + "  \r\n  <rect/>\r\n</svg>"), open + "\r\n  <rect/>\r\n</svg>");
    // Beside other elements or text, the cut is exactly the element.
    EXPECT_EQ(stripped(open + "<g/>  " + rdf + "  <rect/></svg>"), open + "<g/>    <rect/></svg>");
    EXPECT_EQ(stripped(open + "<text>a " + rdf + " b</text></svg>"), open + "<text>a  b</text></svg>");
    // A self-closing element is cut to its "/>"; a nested one goes with its parent.
    EXPECT_EQ(stripped(open + "<metadata/><rect/></svg>"), open + "<rect/></svg>");
    EXPECT_EQ(stripped(open + "<metadata><metadata>x</metadata></metadata><rect/></svg>"), open + "<rect/></svg>");
}

TEST(SVGMetadataCut, MetadataTheDrawingRefersToStays) {
    // Inkscape's own example draws text taken from its metadata with a tref.
    EXPECT_EQ(refusal(open + R"~(<metadata id="m"><t>Words</t></metadata><text><tref xlink:href="#m"/></text></svg>)~"),
              "metadata that the drawing refers to");
    EXPECT_EQ(refusal(open + R"~(<metadata><g id="inner"/></metadata><use href='#inner'/></svg>)~"),
              "metadata that the drawing refers to");
    // A longer name that only starts like the identifier is not a reference to it.
    EXPECT_EQ(stripped(open + R"~(<metadata id="m"/><rect fill="url(#mask)"/></svg>)~"), open + R"~(<rect fill="url(#mask)"/></svg>)~");
}

TEST(SVGMetadataCut, CutsAreNotWidenedWhereWhiteSpaceCounts) {
    const std::string doctype = "<!DOCTYPE svg [ <!ATTLIST g xml:space (default|preserve) 'preserve'> ]>\n";
    const std::pair<std::string, std::string> cases[] = {
        {open + "<text>\n  <metadata/>\n  word</text></svg>", open + "<text>\n  \n  word</text></svg>"},
        {open + "<g xml:space=\"preserve\">\n  <metadata/>\n</g></svg>", open + "<g xml:space=\"preserve\">\n  \n</g></svg>"},
        {doctype + open + "<g>\n  <metadata/>\n</g></svg>", doctype + open + "<g>\n  \n</g></svg>"},
        {open + "<g style=\"white-space: pre\">\n  <metadata/>\n</g></svg>", open + "<g style=\"white-space: pre\">\n  \n</g></svg>"},
        // The nearest xml:space decides: "default" inside "preserve" lets the line go.
        {open + "<g xml:space=\"preserve\"><g xml:space=\"default\">\n  <metadata/>\n</g></g></svg>",
         open + "<g xml:space=\"preserve\"><g xml:space=\"default\">\n</g></g></svg>"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(stripped(text), expected);
}

TEST(SVGMetadataCut, WhatHoldsNoSVGMetadataComesBackUnchanged) {
    for (const std::string& text : std::vector<std::string>{
             open + "<rect/></svg>",
             R"~(<svg xmlns="http://www.w3.org/2000/svg" xmlns:o="urn:other"><o:metadata>x</o:metadata></svg>)~",
             std::string("not XML at all"),
             std::string("<svg><rect></svg>"),
         })
        EXPECT_EQ(stripped(text), text);
    // Unprefixed metadata in no namespace counts as SVG's.
    EXPECT_EQ(stripped("<svg><metadata/><rect/></svg>"), "<svg><rect/></svg>");
    // Another namespace's metadata is counted by both readings and kept.
    EXPECT_EQ(stripped(R"~(<svg xmlns="http://www.w3.org/2000/svg" xmlns:o="urn:o"><o:metadata/><metadata/></svg>)~"),
              R"~(<svg xmlns="http://www.w3.org/2000/svg" xmlns:o="urn:o"><o:metadata/></svg>)~");
}

TEST(SVGMetadataCut, TheEncodingMustBeOneThatReadsAsUTF8) {
    for (const std::string& encoding : std::vector<std::string>{"UTF-8", "utf8", "ISO-8859-15", "windows-1252", "US-ASCII"})
        EXPECT_EQ(stripped("<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>" + open + "<metadata/></svg>"),
                  "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>" + open + "</svg>")
            << encoding;
    EXPECT_EQ(refusal("<?xml version='1.0' encoding='UTF-16'?><svg/>"), "an encoding this does not read: utf-16");
    EXPECT_EQ(refusal("\xEF\xBB\xBF  <?xml version='1.0' encoding='Shift_JIS'?><svg/>"), "an encoding this does not read: shift_jis");
    EXPECT_EQ(refusal(open + "\xC3</svg>"), "not UTF-8 text");
    EXPECT_EQ(refusal(open + std::string(1, '\0') + "</svg>"), "a NUL byte, which no XML holds");
}

TEST(SVGMetadataCut, EntityTricksAreRefused) {
    EXPECT_EQ(refusal("<!DOCTYPE svg [ <!ENTITY a '<metadata/>'> ]><svg>&a;</svg>"), "a declaration holding markup");
    EXPECT_EQ(refusal("<!DOCTYPE svg [ <!ENTITY a '&#x3c;x/>'> ]><svg>&a;</svg>"), "a declaration holding markup");
    EXPECT_EQ(refusal("<!DOCTYPE svg [ <!ENTITY b 'x'><!ENTITY a '&b;'> ]><svg>&a;</svg>"), "an entity built from entities");
    EXPECT_EQ(refusal("<!DOCTYPE svg [ <!ENTITY a '&#38;'> ]><svg>&a;</svg>"), "an entity built from entities");
    EXPECT_EQ(refusal("<!DOCTYPE svg [ <!ENTITY a SYSTEM 'file:///etc/passwd'> ]><svg><metadata/>&a;</svg>"),
              "an external entity this does not load");
    EXPECT_EQ(refusal("<!DOCTYPE svg [ <!ENTITY % p 'x'> ]><svg><metadata/></svg>"), "a parameter entity this does not expand");
    EXPECT_EQ(refusal("<!DOCTYPE svg [ <!ENTITY a 'x'> ]><svg><metadata/>&a;&nope;</svg>"),
              "an entity this does not resolve: &nope;");
    // Inside a comment a reference is only text.
    EXPECT_EQ(stripped("<!DOCTYPE svg [ <!ENTITY a 'x'> ]><svg><!-- &nope; --><metadata/>&a;</svg>"),
              "<!DOCTYPE svg [ <!ENTITY a 'x'> ]><svg><!-- &nope; -->&a;</svg>");
}

TEST(SVGMetadataCut, ExpansionIsCappedBeforeTheDocumentIsRead) {
    const std::string value(1000, 'x');
    auto document = [&](int references) {
        std::string text = "<!DOCTYPE svg [ <!ENTITY a '" + value + "'> ]><svg><metadata/>";
        for (int i = 0; i < references; ++i) text += "&a;";
        return text + "</svg>";
    };
    EXPECT_EQ(refusal(document(8389)), "entities that would expand too far");
    EXPECT_NO_THROW(stripped(document(8388)));
}

TEST(SVGMetadataCut, OnlyThePublishedSVGDoctypesMayNameAnExternalDTD) {
    const std::string svg11 = R"~(<!DOCTYPE svg PUBLIC "-//W3C//DTD SVG 1.1//EN" ")~";
    const std::string path = R"~(www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd">)~";
    for (const std::string& scheme : std::vector<std::string>{"http://", "https://"})
        EXPECT_EQ(stripped(svg11 + scheme + path + "\n" + open + "<metadata/></svg>"), svg11 + scheme + path + "\n" + open + "</svg>");
    EXPECT_EQ(refusal(svg11 + "http://example.org/svg11.dtd\">" + open + "<metadata/></svg>"), "an external DTD this does not read");
    EXPECT_EQ(refusal(R"~(<!DOCTYPE svg SYSTEM "svg.dtd">)~" + open + "<metadata/></svg>"), "an external DTD this does not read");
}

TEST(SVGMetadataCut, MarkupEitherReadingCannotFollowIsRefusedWithItsReason) {
    EXPECT_EQ(refusal("<svg><metadata></svg>"), "not XML this can read, and it may hold metadata");
    EXPECT_EQ(refusal("<!DOCTYPE svg><svg><rect></svg>"), "not XML this can read, and it may hold metadata");
    EXPECT_EQ(refusal("<svg><metadata>a</metadata><rect a=b/></svg>"), "not XML this can read, and it may hold metadata");
    // A prefix bound to nothing: libxml2 keeps "x:metadata" as a whole name, the scan reads
    // a prefixed metadata element.
    EXPECT_EQ(refusal("<svg><metadata/><x:metadata/></svg>"), "the parser found 1 and the scan 2");
    EXPECT_EQ(refusal("<svg><metadata/><rect hidden/></svg>"), "not XML this can read, and it may hold metadata");
}

} // namespace
